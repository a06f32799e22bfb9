// What the bridge last told: its lines and universes, each replaced whole by its key,
// as the event stream sends them.

export class BridgeState {
    constructor() {
        this.version = '';
        this.open = false;
        this.lines = new Map();      // index -> line object
        this.universes = new Map();  // universe number -> universe object
    }

    // The whole state (the stream's "state" event): what is not in it is gone.
    replace(state) {
        this.version = state.version ?? '';
        this.open = Boolean(state.open);
        this.lines = new Map((state.lines ?? []).map((line) => [line.index, line]));
        this.universes = new Map((state.universes ?? []).map((u) => [u.universe, u]));
    }

    // An "update" event: the objects in it replace those with the same key. Returns the
    // universe numbers whose view needs drawing again, a line's own universe included.
    update(update) {
        const touched = new Set();
        for (const line of update.lines ?? []) {
            this.lines.set(line.index, line);
            touched.add(line.universe);
        }
        for (const universe of update.universes ?? []) {
            this.universes.set(universe.universe, universe);
            touched.add(universe.universe);
        }
        return touched;
    }

    // Every universe a line or the universes list names, in order.
    universeNumbers() {
        const numbers = new Set(this.universes.keys());
        for (const line of this.lines.values()) {
            numbers.add(line.universe);
        }
        return [...numbers].sort((a, b) => a - b);
    }

    linesOf(universe) {
        return [...this.lines.values()]
            .filter((line) => line.universe === universe)
            .sort((a, b) => a.index - b.index);
    }

    // A source as people know it: its name, else its id; null when no source.
    sourceName(universe, id) {
        if (id === null || id === undefined) {
            return null;
        }
        const source = this.universes.get(universe)?.sources?.find((s) => s.id === id);
        return source?.name || id;
    }

    taken(universe) { return Boolean(this.universes.get(universe)?.console?.taken); }
}
