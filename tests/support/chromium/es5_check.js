#!/usr/bin/env node
// Fails when a page script uses syntax newer than ES5, which the system's browser control cannot run:
// every .js file under the given directories (or given itself), and every inline script and event
// handler attribute of their .html pages, parsed by acorn as ES5.
'use strict';

const fs = require('fs');
const path = require('path');
const acorn = require('acorn');
const { JSDOM } = require('jsdom');

function files(item) {
    if (!fs.statSync(item).isDirectory()) return [item];
    return fs.readdirSync(item, { recursive: true }).filter((name) => /\.(js|html?)$/i.test(name))
        .map((name) => path.join(item, name));
}

// The scripts of a file, each with the line it starts on: a script file whole, a page's inline scripts
// (not those with src) and on* attributes.
function scriptsOf(file) {
    const text = fs.readFileSync(file, 'utf8');
    if (/\.js$/i.test(file)) return [{ code: text, line: 1, handler: false }];
    const dom = new JSDOM(text, { includeNodeLocations: true });
    const scripts = [];
    for (const element of dom.window.document.querySelectorAll('*')) {
        const location = dom.nodeLocation(element);
        if (element.localName === 'script' && !element.hasAttribute('src')) {
            scripts.push({ code: element.text, line: location.startTag.endLine, handler: false });
        }
        for (const { name, value } of element.attributes) {
            if (/^on/i.test(name)) scripts.push({ code: value, line: location.attrs[name].startLine, handler: true });
        }
    }
    return scripts;
}

const items = process.argv.slice(2);
if (items.length === 0) {
    console.error('usage: es5_check.js DIRECTORY|FILE...');
    process.exit(2);
}
const problems = [];
let checked = 0;
for (const file of items.flatMap(files)) {
    for (const { code, line, handler } of scriptsOf(file)) {
        ++checked;
        try {
            acorn.parse(code, { ecmaVersion: 5, sourceType: 'script', allowReturnOutsideFunction: handler });
        } catch (error) {
            const at = error.loc ? error.loc.line + line - 1 : line;
            problems.push(`${file}:${at}: ${error.message.replace(/ \(\d+:\d+\)$/, '')}`);
        }
    }
}
for (const problem of problems) console.error(problem);
console.log(`${checked - problems.length} passed, ${problems.length} failed`);
process.exit(problems.length === 0 && checked > 0 ? 0 : 1);
