// A copy of one of index.html's templates, with its marked elements by name, so the
// markup stays in the page and the scripts only fill it in.

export class Template {
    constructor(id) {
        const template = document.getElementById(id);
        this.root = template.content.firstElementChild.cloneNode(true);
        this.parts = {};
        for (const element of this.root.querySelectorAll('[data-part]')) {
            this.parts[element.dataset.part] = element;
        }
    }
}

// Sets an element's text only when it differs, so twenty updates a second touch only what
// changed and a screen reader is not told the same thing again.
export function setText(element, text) {
    if (element.textContent !== text) {
        element.textContent = text;
    }
}
