#!/usr/bin/env node
// Fails when a page script uses syntax newer than ES5, which the system's browser control cannot run:
// every .js file under the given directories (or given itself), and every inline script and event
// handler attribute of their .html pages, parsed by acorn as ES5.
'use strict';

const fs = require('fs');
const path = require('path');
const acorn = require('acorn');

function files(directory, out) {
    if (!fs.statSync(directory).isDirectory()) return out.concat(directory);
    for (const entry of fs.readdirSync(directory, { withFileTypes: true })) {
        const full = path.join(directory, entry.name);
        if (entry.isDirectory()) files(full, out);
        else if (/\.(js|html?)$/i.test(entry.name)) out.push(full);
    }
    return out;
}

function lineOf(text, offset) {
    return text.slice(0, offset).split('\n').length;
}

// Inline scripts (not those with src) and on* attributes, each with the line it starts on.
function inlineScripts(html) {
    const scripts = [];
    const block = /<script\b([^>]*)>([\s\S]*?)<\/script\s*>/gi;
    let match;
    while ((match = block.exec(html)) !== null) {
        if (/\bsrc\s*=/i.test(match[1])) continue;
        const start = match.index + match[0].indexOf('>') + 1;
        scripts.push({ code: match[2], line: lineOf(html, start), handler: false });
    }
    const handler = /\son[a-z]+\s*=\s*("([^"]*)"|'([^']*)')/gi;
    while ((match = handler.exec(html)) !== null) {
        const code = match[2] !== undefined ? match[2] : match[3];
        scripts.push({ code: code.replace(/&quot;/g, '"').replace(/&amp;/g, '&'), line: lineOf(html, match.index), handler: true });
    }
    return scripts;
}

function check(file, code, line, handler, problems) {
    try {
        acorn.parse(code, { ecmaVersion: 5, sourceType: 'script', allowReturnOutsideFunction: handler });
    } catch (error) {
        const at = error.loc ? error.loc.line + line - 1 : line;
        problems.push(`${file}:${at}: ${error.message.replace(/ \(\d+:\d+\)$/, '')}`);
    }
}

const directories = process.argv.slice(2);
if (directories.length === 0) {
    console.error('usage: es5_check.js DIRECTORY|FILE...');
    process.exit(2);
}
const problems = [];
let checked = 0;
for (const directory of directories) {
    for (const file of files(directory, [])) {
        const text = fs.readFileSync(file, 'utf8');
        if (/\.js$/i.test(file)) {
            check(file, text, 1, false, problems);
            ++checked;
        } else {
            for (const script of inlineScripts(text)) {
                check(file, script.code, script.line, script.handler, problems);
                ++checked;
            }
        }
    }
}
for (const problem of problems) console.error(problem);
console.log(`${checked - problems.length} passed, ${problems.length} failed`);
process.exit(problems.length === 0 && checked > 0 ? 0 : 1);
