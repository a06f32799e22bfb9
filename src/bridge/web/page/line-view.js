// One line: its device, universe, slots and Art-Net address, how it is doing, the levels
// it last carried (31 boards x 8 channels) and the console's controls for it.

import {channelName, kBoardCount, kChannelCount, kFirstBoard, LineConsole} from './line-console.js';
import {setText, Template} from './template.js';

// From this level on a cell's light is bright enough to need dark figures.
const kBrightLevel = 55;

function stateText(line) {
    switch (line.state) {
        case 'lost':
            return line.lostSince ? `lost since ${line.lostSince}, retrying` : 'lost, retrying';
        case 'back':
            return 'back';
        case 'open':
            return 'open';
        default:
            return String(line.state ?? 'unknown');
    }
}

function fixed(value, digits) { return Number.isFinite(value) ? value.toFixed(digits) : '–'; }

export class LineView {
    constructor(index, commands) {
        this.index = index;
        const view = new Template('line-template');
        this.root = view.root;
        this.root.id = `line-${index}`;
        this.parts = view.parts;
        this.parts.state.id = `line-${index}-state`;
        this.cells = [];  // [board offset][channel] -> td
        this.rowHeads = [];
        this.makeGrid();
        this.console = new LineConsole(index, view.parts, commands);
    }

    makeGrid() {
        const grid = this.parts.grid;
        grid.id = `line-${this.index}-grid`;
        const caption = grid.createCaption();
        caption.className = 'visually-hidden';
        caption.textContent = `Levels of line ${this.index} in per cent, board by board`;
        const head = grid.createTHead().insertRow();
        const corner = document.createElement('th');
        corner.scope = 'col';
        corner.textContent = 'Board';
        head.append(corner);
        for (let channel = 0; channel < kChannelCount; ++channel) {
            const th = document.createElement('th');
            th.scope = 'col';
            th.textContent = String(channel);
            th.title = channelName(channel);
            th.setAttribute('aria-label', channelName(channel));
            head.append(th);
        }
        const body = grid.createTBody();
        for (let offset = 0; offset < kBoardCount; ++offset) {
            const board = kFirstBoard + offset;
            const row = body.insertRow();
            const th = document.createElement('th');
            th.scope = 'row';
            th.textContent = String(board);
            row.append(th);
            this.rowHeads.push(th);
            const cells = [];
            for (let channel = 0; channel < kChannelCount; ++channel) {
                const cell = row.insertCell();
                cell.id = `line-${this.index}-b${board}-c${channel}`;
                cells.push(cell);
            }
            this.cells.push(cells);
        }
    }

    // line: the line object; universe: its universe object or undefined; nameOf(id): a
    // source's name.
    update(line, universe, nameOf) {
        const parts = this.parts;
        setText(parts.title, `Line ${line.index} · ${line.device}`);
        setText(parts.state, stateText(line));
        parts.state.dataset.state = line.state;
        setText(parts.universe, String(line.universe));
        setText(parts.slots, `${line.firstSlot}–${line.lastSlot}`);
        setText(parts.artnet, line.artNet ?? 'none');
        setText(parts.fps, fixed(line.framesPerSecond, 1));
        setText(parts.bps, fixed(line.bytesPerSecond, 0));
        setText(parts.load, `${fixed(line.load, 1)} %`);
        parts.load.classList.toggle('busy', line.load >= 90);

        const pending = new Set(line.pending ?? []);
        const identifying = line.identify?.board;
        for (let offset = 0; offset < kBoardCount; ++offset) {
            const board = kFirstBoard + offset;
            const levels = line.levels?.[offset] ?? [];
            for (let channel = 0; channel < kChannelCount; ++channel) {
                const level = levels[channel];
                const cell = this.cells[offset][channel];
                const text = Number.isInteger(level) ? String(level) : '';
                if (cell.textContent !== text) {
                    cell.textContent = text;
                    cell.style.setProperty('--level', Number.isInteger(level) ? level / 100 : 0);
                    cell.classList.toggle('bright', level >= kBrightLevel);
                }
            }
            const head = this.rowHeads[offset];
            const row = head.parentElement;
            row.classList.toggle('pending', pending.has(board));
            row.classList.toggle('identify', identifying === board);
            const driver = nameOf(line.drivers?.[offset] ?? null);
            const notes = [driver ? `driven by ${driver}` : 'no source'];
            if (pending.has(board)) {
                notes.push('newest levels not yet sent');
            }
            if (identifying === board) {
                notes.push('identifying');
            }
            const title = `Board ${board}: ${notes.join('; ')}`;
            if (head.title !== title) {
                head.title = title;
                head.setAttribute('aria-label', title);
            }
        }
        this.console.update(
            line, universe?.console?.contested ?? [], Boolean(universe?.console?.taken), nameOf);
    }

    setEnabled(connected) { this.console.setEnabled(connected); }
}
