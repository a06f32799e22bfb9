// The live stream from the bridge (/api/events), kept up by itself. An EventSource retries
// on its own only while the server keeps answering 200; a 503 (all live pages taken) or a
// bridge that restarted can end it for good, and a phone that was locked may hold a dead
// one. So on any error it is closed and a new one opened a moment later, and one that was
// hidden is opened anew when shown. Only GETs: connecting never changes a lamp.

// Within the 1-2 s a refused stream should wait, and short enough that a page shows the
// bridge's state within a second of the bridge answering again.
const kRetryMilliseconds = 1000;

export class Connection {
    // listener: {onState(state), onUpdate(update), onConnected(bool)}
    constructor(listener) {
        this.listener = listener;
        this.source = null;
        this.retry = null;
        this.connected = false;
        document.addEventListener('visibilitychange', () => this.visibilityChanged());
        window.addEventListener('pageshow', (event) => {
            if (event.persisted) {
                this.open();
            }
        });
    }

    open() {
        this.close();
        const source = new EventSource('/api/events');
        this.source = source;
        source.addEventListener('state', (event) => {
            const state = Connection.parse(event);
            if (state && source === this.source) {
                this.listener.onState(state);
                this.setConnected(true);
            }
        });
        source.addEventListener('update', (event) => {
            const update = Connection.parse(event);
            // An update before this stream's state would apply to a state it never sent.
            if (update && source === this.source && this.connected) {
                this.listener.onUpdate(update);
            }
        });
        source.addEventListener('error', () => {
            if (source === this.source) {
                this.lost();
            }
        });
    }

    close() {
        clearTimeout(this.retry);
        this.retry = null;
        if (this.source) {
            this.source.close();
            this.source = null;
        }
    }

    lost() {
        this.close();
        // Told even when it never was connected: a page refused at first is retrying too.
        this.connected = false;
        this.listener.onConnected(false);
        this.retry = setTimeout(() => this.open(), kRetryMilliseconds);
    }

    visibilityChanged() {
        if (document.visibilityState === 'visible') {
            this.open();
        } else {
            // A hidden page holds none of the bridge's few live streams.
            this.close();
            this.setConnected(false);
        }
    }

    setConnected(connected) {
        if (connected !== this.connected) {
            this.connected = connected;
            this.listener.onConnected(connected);
        }
    }

    static parse(event) {
        try {
            return JSON.parse(event.data);
        } catch (error) {
            return null;
        }
    }
}
