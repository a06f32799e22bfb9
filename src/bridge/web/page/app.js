// The bridge's web console: everything the bridge reports, live, and the console source's
// controls. Opening the page only listens; nothing reaches the lights until a person
// presses or moves something.

import {BridgeState} from './bridge-state.js';
import {CommandQueue} from './command-queue.js';
import {Connection} from './connection.js';
import {setText} from './template.js';
import {UniverseView} from './universe-view.js';

const kConnectedText = 'Connected';
const kLostText = 'Connection lost; reconnecting…';
const kMessageMilliseconds = 6000;

class ConsolePage {
    constructor() {
        this.state = new BridgeState();
        this.views = new Map();  // universe number -> UniverseView
        this.connected = false;
        this.messageTimer = null;
        this.commands =
            new CommandQueue((reason) => this.tell(`Not done: ${reason}`), () => this.tell(''));
        this.connection = new Connection({
            onState: (state) => {
                this.state.replace(state);
                this.renderAll();
            },
            onUpdate: (update) => {
                for (const number of this.state.update(update)) {
                    this.view(number).render(this.connected);
                }
            },
            onConnected: (connected) => this.setConnected(connected),
        });
    }

    start() { this.connection.open(); }

    view(number) {
        let view = this.views.get(number);
        if (!view) {
            view = new UniverseView(number, this.state, this.commands);
            this.views.set(number, view);
            this.placeViews();
        }
        return view;
    }

    placeViews() {
        const main = document.getElementById('universes');
        const numbers = [...this.views.keys()].sort((a, b) => a - b);
        numbers.forEach((number, position) => {
            const root = this.views.get(number).root;
            const there = main.children[position] ?? null;
            if (there !== root) {
                main.insertBefore(root, there);
            }
        });
    }

    renderAll() {
        setText(document.getElementById('version'), this.state.version);
        document.getElementById('warning-open').hidden = !this.state.open;
        const numbers = new Set(this.state.universeNumbers());
        for (const [number, view] of this.views) {
            if (!numbers.has(number)) {
                view.root.remove();
                this.views.delete(number);
            }
        }
        for (const number of numbers) {
            this.view(number).render(this.connected);
        }
    }

    setConnected(connected) {
        this.connected = connected;
        const status = document.getElementById('connection');
        setText(status, connected ? kConnectedText : kLostText);
        document.body.classList.toggle('offline', !connected);
        if (!connected) {
            this.commands.clear();
        }
        for (const view of this.views.values()) {
            view.setEnabled(connected);
        }
    }

    // A short message under the header: why a command was not done, or nothing.
    tell(text) {
        const message = document.getElementById('message');
        clearTimeout(this.messageTimer);
        setText(message, text);
        message.hidden = text === '';
        if (text !== '') {
            this.messageTimer = setTimeout(() => this.tell(''), kMessageMilliseconds);
        }
    }
}

new ConsolePage().start();
