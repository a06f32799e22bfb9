// One universe: its console source (Take, priority, Release, and the channels other
// sources hold above it), the sources sending to it, its loss policy, and its lines.

import {channelName} from './line-console.js';
import {LineView} from './line-view.js';
import {setText, Template} from './template.js';

const kMinPriority = 1;
const kMaxPriority = 200;
const kPrecedenceNote = 'a lower level here changes nothing (highest level takes precedence)';

function lossText(universe) {
    const policy = universe.loss === 'off' ? 'send All OFF' : 'hold the last look';
    const last = universe.lossLast ?
        ` Last time, at ${universe.lossLast.at}, it ${universe.lossLast.did}.` :
        '';
    return `When every source goes: ${policy}.${last}`;
}

function droppedText(dropped) {
    const counts = Object.entries(dropped ?? {}).filter(([, count]) => count > 0);
    return counts.length === 0 ? 'none' :
                                 counts.map(([why, count]) => `${count} ${why}`).join(', ');
}

// Boards as short as they go: "130", "130–132, 140".
function boardRanges(boards) {
    const sorted = [...new Set(boards)].sort((a, b) => a - b);
    const ranges = [];
    for (const board of sorted) {
        const last = ranges[ranges.length - 1];
        if (last && board === last[1] + 1) {
            last[1] = board;
        } else {
            ranges.push([board, board]);
        }
    }
    return ranges.map(([from, to]) => (from === to ? `${from}` : `${from}–${to}`)).join(', ');
}

// Moves an element only when it is not yet in place: a moved element loses the focus, and
// the fader a person is holding with the keyboard must keep it.
function placeAt(parent, position, element) {
    const there = parent.children[position] ?? null;
    if (there !== element) {
        parent.insertBefore(element, there);
    }
}

export class UniverseView {
    constructor(number, state, commands) {
        this.number = number;
        this.state = state;
        this.commands = commands;
        this.lines = new Map();  // index -> LineView
        this.rows = new Map();   // source id -> {row, cells}
        const view = new Template('universe-template');
        this.root = view.root;
        this.parts = view.parts;
        this.root.id = `universe-${number}`;
        const parts = this.parts;
        parts.title.textContent = `Universe ${number}`;
        parts.sources.id = `universe-${number}-sources`;
        parts.take.id = `take-${number}`;
        parts.take.setAttribute('aria-label', `Take the console of universe ${number}`);
        parts.take.addEventListener('click', () => commands.send('take', {universe: number}));
        parts.release.id = `release-${number}`;
        parts.release.setAttribute('aria-label', `Release the console of universe ${number}`);
        parts.release.addEventListener('click', () => commands.send('release', {universe: number}));
        parts.priority.id = `priority-${number}`;
        parts.priority.setAttribute(
            'aria-label', `Console priority of universe ${number}, 1 to 200`);
        parts.priority.addEventListener('change', () => this.priorityChanged());
    }

    priorityChanged() {
        const priority = Number(this.parts.priority.value);
        if (!Number.isInteger(priority) || priority < kMinPriority || priority > kMaxPriority) {
            this.parts.priority.setCustomValidity(
                `A priority from ${kMinPriority} to ${kMaxPriority}.`);
            this.parts.priority.reportValidity();
            return;
        }
        this.parts.priority.setCustomValidity('');
        this.commands.send('priority', {universe: this.number, priority});
    }

    render(connected) {
        const universe = this.state.universes.get(this.number);
        const nameOf = (id) => this.state.sourceName(this.number, id);
        const taken = Boolean(universe?.console?.taken);
        const parts = this.parts;
        parts.take.hidden = taken;
        parts.hint.hidden = taken;
        parts.taken.hidden = !taken;
        const priority = universe?.console?.priority;
        // Not while someone is typing a new one.
        if (document.activeElement !== parts.priority && Number.isInteger(priority)) {
            parts.priority.value = String(priority);
        }
        this.renderContested(universe?.console?.contested ?? [], nameOf);
        this.renderSources(universe?.sources ?? []);
        setText(parts.loss, universe ? lossText(universe) : '');
        this.renderLines(universe, nameOf);
        this.setEnabled(connected);
    }

    renderContested(contested, nameOf) {
        // One note per source, priority and verdict, however many channels it holds.
        const groups = new Map();
        for (const entry of contested) {
            const key = `${entry.source}\n${entry.priority}\n${Boolean(entry.higherOrEqualLevel)}`;
            if (!groups.has(key)) {
                groups.set(key, {entry, channels: []});
            }
            groups.get(key).channels.push(entry);
        }
        const notes = [...groups.values()].map(({entry, channels}) => {
            const where = channels.length === 1 ?
                `Board ${entry.board} ${channelName(entry.channel)}` :
                `${channels.length} channels on boards ${
                    boardRanges(channels.map((c) => c.board))}`;
            const held = `${where}: held by ${nameOf(entry.source)} at priority ${entry.priority}`;
            return entry.higherOrEqualLevel ? `${held}; ${kPrecedenceNote}` : held;
        });
        const list = this.parts.contested;
        list.hidden = notes.length === 0;
        const items = [...list.children].map((item) => item.textContent);
        if (items.join('\n') !== notes.join('\n')) {
            list.replaceChildren(...notes.map((note) => {
                const item = document.createElement('li');
                item.textContent = note;
                return item;
            }));
        }
    }

    renderSources(sources) {
        const body = this.parts.sources;
        const seen = new Set();
        for (const [position, source] of sources.entries()) {
            seen.add(source.id);
            let entry = this.rows.get(source.id);
            if (!entry) {
                const row = document.createElement('tr');
                const labels = [
                    'Name', 'CID / address', 'Protocol', 'Priority', 'Packets/s', 'Since last',
                    'Dropped'
                ];
                const cells = labels.map((label) => {
                    const cell = document.createElement('td');
                    cell.dataset.label = label;
                    row.append(cell);
                    return cell;
                });
                entry = {row, cells};
                this.rows.set(source.id, entry);
            }
            placeAt(body, position, entry.row);  // in the bridge's order
            const where = source.protocol === 'sACN' && source.address ?
                `${source.id} (${source.address})` :
                source.protocol === 'Art-Net' ? source.address :
                                                source.id;
            const [name, id, protocol, priority, rate, since, dropped] = entry.cells;
            setText(name, source.name || '(no name)');
            setText(id, where ?? '');
            setText(protocol, source.protocol);
            setText(
                priority,
                source.perAddress ? `${source.priority} per address` : `${source.priority}`);
            setText(rate, Number(source.packetsPerSecond ?? 0).toFixed(1));
            setText(since, `${Number(source.secondsSinceLast ?? 0).toFixed(1)} s`);
            setText(dropped, droppedText(source.dropped));
        }
        for (const [id, entry] of this.rows) {
            if (!seen.has(id)) {
                entry.row.remove();
                this.rows.delete(id);
            }
        }
        this.parts['no-sources'].hidden = sources.length > 0;
    }

    renderLines(universe, nameOf) {
        const lines = this.state.linesOf(this.number);
        const seen = new Set();
        for (const [position, line] of lines.entries()) {
            seen.add(line.index);
            let view = this.lines.get(line.index);
            if (!view) {
                view = new LineView(line.index, this.commands);
                this.lines.set(line.index, view);
            }
            placeAt(this.parts.lines, position, view.root);
            view.update(line, universe, nameOf);
        }
        for (const [index, view] of this.lines) {
            if (!seen.has(index)) {
                view.root.remove();
                this.lines.delete(index);
            }
        }
    }

    setEnabled(connected) {
        for (const control of [this.parts.take, this.parts.release, this.parts.priority]) {
            control.disabled = !connected;
        }
        for (const view of this.lines.values()) {
            view.setEnabled(connected);
        }
    }
}
