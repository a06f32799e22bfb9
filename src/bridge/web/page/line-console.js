// The console's controls for one line: the board chooser and Identify (which need no
// console taken), and once the universe's console is taken the board's eight faders, the
// presets, the master level and Blackout. Every control sends only when a person moves or
// presses it; what the bridge reports moves the faders without sending anything.

import {setText, Template} from './template.js';

export const kFirstBoard = 128;
export const kBoardCount = 31;
export const kChannelCount = 8;
const kPresetLevels = [0, 10, 30, 50, 70, 100];
// A fader someone just moved keeps its own value this long against the line's reports,
// which lag the move by a frame or two.
const kHoldMilliseconds = 1500;

export function channelName(channel) { return `PWM${channel}`; }

export class LineConsole {
    constructor(index, parts, commands) {
        this.index = index;
        this.commands = commands;
        this.parts = parts;
        this.line = null;
        this.contested = [];
        this.board = kFirstBoard;
        this.connected = false;
        this.taken = false;

        parts.board.id = `board-${index}`;
        parts.board.setAttribute('aria-label', `Board of line ${index}`);
        for (let board = kFirstBoard; board < kFirstBoard + kBoardCount; ++board) {
            parts.board.add(new Option(String(board), String(board)));
        }
        parts.board.addEventListener('change', () => this.chooseBoard(Number(parts.board.value)));
        parts.identify.id = `identify-${index}`;
        parts.identify.addEventListener(
            'click', () => commands.send('identify', {line: index, board: this.board}));

        this.faders = [];
        for (let channel = 0; channel < kChannelCount; ++channel) {
            this.faders.push(this.makeFader(channel));
        }
        for (const level of kPresetLevels) {
            const button = document.createElement('button');
            button.type = 'button';
            button.textContent = level === 0 ? 'All OFF' : `${level} %`;
            button.setAttribute(
                'aria-label', `${button.textContent}, every board of line ${index}`);
            button.addEventListener('click', () => commands.send('preset', {line: index, level}));
            parts.presets.append(button);
        }
        parts.master.id = `master-${index}`;
        parts.master.setAttribute('aria-label', `Master level, line ${index}`);
        parts.master.addEventListener('input', () => {
            setText(parts['master-value'], `${parts.master.value} %`);
        });
        parts.send.id = `send-${index}`;
        parts.send.setAttribute(
            'aria-label', `Send the master level to every board of line ${index}`);
        parts.send.addEventListener(
            'click',
            () => commands.send('master', {line: index, level: Number(parts.master.value)}));
        parts.blackout.id = `blackout-${index}`;
        parts.blackout.setAttribute('aria-label', `Blackout, every board of line ${index}`);
        parts.blackout.addEventListener('click', () => commands.send('blackout', {line: index}));
        this.labelBoard();
    }

    makeFader(channel) {
        const fader = new Template('fader-template');
        const input = fader.parts.input;
        input.id = `fader-${this.index}-c${channel}`;
        fader.parts.label.htmlFor = input.id;
        fader.parts.label.textContent = channelName(channel);
        const state = {
            channel,
            input,
            value: fader.parts.value,
            held: fader.parts.held,
            until: 0,
            pressed: false
        };
        input.addEventListener('input', () => {
            state.until = performance.now() + kHoldMilliseconds;
            setText(state.value, `${input.value} %`);
            this.commands.send(
                'level', {line: this.index, board: this.board, channel, level: Number(input.value)},
                `level ${this.index} ${this.board} ${channel}`);
        });
        input.addEventListener('pointerdown', () => (state.pressed = true));
        for (const end of ['pointerup', 'pointercancel', 'blur']) {
            input.addEventListener(end, () => {
                state.pressed = false;
                state.until = performance.now() + kHoldMilliseconds;
            });
        }
        this.parts.faders.append(fader.root);
        return state;
    }

    chooseBoard(board) {
        this.board = board;
        for (const fader of this.faders) {
            fader.until = 0;
        }
        this.labelBoard();
        this.render();
    }

    labelBoard() {
        for (const fader of this.faders) {
            fader.input.setAttribute(
                'aria-label', `${channelName(fader.channel)} level, board ${this.board}`);
        }
        setText(this.parts.identify, `Identify ${this.board}`);
        this.parts.identify.setAttribute('aria-label', `Identify board ${this.board}`);
    }

    // line: the line object; contested: its universe's contested channels; nameOf(id):
    // a source's name as people know it.
    update(line, contested, taken, nameOf) {
        this.line = line;
        this.contested = contested;
        this.taken = taken;
        this.nameOf = nameOf;
        this.render();
    }

    render() {
        const parts = this.parts;
        parts.drive.hidden = !this.taken;
        this.setEnabled(this.connected);
        if (!this.line) {
            return;
        }
        const row = this.line.levels?.[this.board - kFirstBoard] ?? [];
        const now = performance.now();
        for (const fader of this.faders) {
            const level = row[fader.channel];
            if (Number.isInteger(level) && !fader.pressed && now >= fader.until &&
                Number(fader.input.value) !== level) {
                fader.input.value = String(level);
                setText(fader.value, `${level} %`);
            }
            const held =
                this.contested.find((c) => c.board === this.board && c.channel === fader.channel);
            fader.held.hidden = !held;
            if (held) {
                setText(
                    fader.held,
                    `held by ${this.nameOf(held.source)} at priority ${held.priority}` +
                        (held.higherOrEqualLevel ? '; a lower level here changes nothing' : ''));
            }
        }
        const driver = this.line.drivers?.[this.board - kFirstBoard] ?? null;
        setText(
            parts.driver,
            driver === null ? `No source drives board ${this.board}.` :
                              `Board ${this.board} is driven by ${this.nameOf(driver)}.`);
        const identify = this.line.identify;
        parts.identifying.hidden = !identify;
        if (identify) {
            setText(
                parts.identifying,
                `Identifying board ${identify.board}: ` +
                    `${Number(identify.secondsLeft).toFixed(1)} s left`);
        }
    }

    setEnabled(connected) {
        this.connected = connected;
        this.parts.board.disabled = !connected;
        this.parts.identify.disabled = !connected;
        const drive = connected && this.taken;
        for (const control of this.parts.drive.querySelectorAll('button, input')) {
            control.disabled = !drive;
        }
    }
}
