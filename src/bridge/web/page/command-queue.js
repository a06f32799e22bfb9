// Commands to the bridge, one request at a time and in the order they were given, so the
// latest move is the one that lands last. A move that is still waiting when a newer one of
// the same control comes is replaced by it: a fader dragged faster than the requests go
// sends its newest level, never a backlog.

export class CommandQueue {
    // onError(text) is told why a command was not taken; onSent() when one was.
    constructor(onError, onSent) {
        this.onError = onError;
        this.onSent = onSent;
        this.waiting = [];  // {key, command, body}
        this.busy = false;
    }

    // key: commands with the same key replace each other while waiting (null: never).
    send(command, body, key = null) {
        const queued = key === null ? undefined : this.waiting.find((c) => c.key === key);
        if (queued) {
            queued.body = body;
        } else {
            this.waiting.push({key, command, body});
        }
        if (!this.busy) {
            this.next();
        }
    }

    // What is still waiting is dropped: the page is not connected, and a move made before
    // the bridge went away must not land long after.
    clear() { this.waiting = []; }

    async next() {
        const command = this.waiting.shift();
        if (!command) {
            this.busy = false;
            return;
        }
        this.busy = true;
        try {
            const response = await fetch(`/api/${command.command}`, {
                method: 'POST',
                headers: {'Content-Type': 'application/json'},
                body: JSON.stringify(command.body),
                cache: 'no-store',
            });
            if (response.ok) {
                this.onSent();
            } else {
                this.onError(await CommandQueue.reason(response));
            }
        } catch (error) {
            this.onError(`the bridge did not answer (${error.message})`);
        }
        this.next();
    }

    static async reason(response) {
        try {
            const answer = await response.json();
            if (answer && typeof answer.error === 'string') {
                return answer.error;
            }
        } catch (error) {
            // Not JSON: the status says it.
        }
        return `${response.status} ${response.statusText}`.trim();
    }
}
