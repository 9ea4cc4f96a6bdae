#!/usr/bin/env node
// Test-only browser behind the HTML dialog window: headless Chromium driven through playwright-core,
// talking JSON lines with the C++ window (test::ChromiumWindow) on stdin and stdout. Diagnostics go to
// stderr.
//
// One browser serves several windows, each a page of its own named by the number in "window".
// From C++ (one object a line; every one but "answer" carries an "id" that its reply repeats):
//   {op:"open", window, url}      navigate (making the window's page first); replies once the
//                                 navigation has started
//   {op:"eval", window, script}   evaluate in the page's global scope; replies with the value as text
//   {op:"click", window, selector}  a user's click (visible, enabled, scrolled into view)
//   {op:"check", window, selector, checked}  tick or untick a box as a user would (by clicking it)
//   {op:"press", window, key}     a key press on the focused element ("Tab", "Enter", "Space";
//                                 "Alt+n" for the access key n)
//   {op:"viewport", window, width, height}
//   {op:"closeWindow", window}    the window is gone; a later "open" makes a new page
//   {op:"screenshot", window, path}  writes what the page shows as a PNG file
//   {op:"echo"}                   replies {type:"echo"} in stream order (work for the UI thread)
//   {op:"answer", call, value}    the value of a synchronous external call
//   {op:"close"}                  close the browser and exit
// To C++:
//   {type:"ready"}                the browser runs
//   {type:"reply", id, ok, value | error}   and {type:"echo", id}
//   {type:"loaded", window, url}  the page's load event
//   {type:"navError", window, status, url, reason}
//   {type:"call", window, call, method, args, sync, eval}   a window.external call; "eval" names
//                                 the host evaluation that made it (0: none); "sync" ones wait for
//                                 "answer"
'use strict';

const http = require('http');
const readline = require('readline');

const executablePath = process.env.ZARN_CHROMIUM || '/usr/bin/chromium';
const actionTimeout = 10000;

// Windows Internet error codes the browser control reports for a navigation that fails.
const inetResourceNotFound = 0x800c0005 | 0;
const inetDownloadFailure = 0x800c0008 | 0;

function send(message) {
    process.stdout.write(JSON.stringify(message) + '\n');
}

function diagnose(text) {
    process.stderr.write('relay: ' + text + '\n');
}

// The page's window.external, installed before any script of the page runs. Every call is a synchronous
// request to this relay, so the calls reach C++ in the page's order; the relay answers notify, log and
// setWindowProp at once (the page goes on while the host handles them, and may be asked to evaluate
// script meanwhile) and getLocale and delay only when C++ has answered. Arguments become texts the way
// the Windows control converts script values.
function externalScript(port, windowNumber) {
    return `(function () {
    var url = "http://127.0.0.1:${port}/external";
    function text(value) {
        if (value === undefined) return "";
        if (value === null) throw new TypeError("Type mismatch");
        if (value === true) return "True";
        if (value === false) return "False";
        return String(value);
    }
    function call(method, args) {
        var list = [];
        for (var i = 0; i < args.length; ++i) list.push(text(args[i]));
        var request = new XMLHttpRequest();
        request.open("POST", url, false);
        request.send(JSON.stringify({ window: ${windowNumber}, method: method, args: list, eval: window.__zarnHostEval || 0 }));
        if (request.status !== 200) throw new Error("external." + method + ": relay answered " + request.status);
        return JSON.parse(request.responseText).value;
    }
    var external = {
        getLocale: function () { return call("getLocale", arguments); },
        notify: function () { call("notify", arguments); },
        log: function () { call("log", arguments); },
        setWindowProp: function () { call("setWindowProp", arguments); },
        delay: function () { call("delay", arguments); }
    };
    Object.defineProperty(window, "external", { value: external, configurable: true, writable: true });
})();`;
}

const synchronous = new Set(['getLocale', 'delay']);
const pendingCalls = new Map();  // call number -> HTTP response waiting for C++
let nextCall = 1;

function startCallServer() {
    const server = http.createServer((request, response) => {
        let body = '';
        request.setEncoding('utf8');
        request.on('data', (chunk) => { body += chunk; });
        request.on('end', () => {
            const headers = { 'Access-Control-Allow-Origin': '*', 'Content-Type': 'application/json' };
            let parsed;
            try {
                parsed = JSON.parse(body);
            } catch (error) {
                response.writeHead(400, headers);
                response.end('{}');
                return;
            }
            const call = nextCall++;
            const sync = synchronous.has(parsed.method);
            send({ type: 'call', window: parsed.window, call, method: parsed.method, args: parsed.args, sync,
                   eval: parsed.eval });
            if (sync) {
                pendingCalls.set(call, { response, headers });
            } else {
                response.writeHead(200, headers);
                response.end('{}');
            }
        });
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

function answerCall(call, value) {
    const pending = pendingCalls.get(call);
    if (!pending) return diagnose('answer for unknown call ' + call);
    pendingCalls.delete(call);
    pending.response.writeHead(200, pending.headers);
    pending.response.end(JSON.stringify({ value }));
}

// Runs in the page: the host's evaluation. Marks the external calls it makes with its number, and turns
// the value into text as the Windows control's result would read.
function evaluateInPage({ script, id }) {
    const outer = window.__zarnHostEval;
    window.__zarnHostEval = id;
    try {
        const value = (0, eval)(script);
        if (value === undefined || value === null) return { ok: true, value: '' };
        if (value === true) return { ok: true, value: 'True' };
        if (value === false) return { ok: true, value: 'False' };
        return { ok: true, value: String(value) };
    } catch (error) {
        return { ok: false, error: String(error && error.message ? error.message : error) };
    } finally {
        window.__zarnHostEval = outer;
    }
}

function navigationStatus(reason) {
    return /ERR_FILE_NOT_FOUND|ERR_NAME_NOT_RESOLVED|ERR_INVALID_URL/.test(reason) ? inetResourceNotFound
                                                                                     : inetDownloadFailure;
}

async function main() {
    let chromium;
    try {
        ({ chromium } = require('playwright-core'));
    } catch (error) {
        throw new Error('playwright-core is not installed beside the relay (scripts/setup installs it)');
    }
    const server = await startCallServer();
    const port = server.address().port;
    const browser = await chromium.launch({
        executablePath,
        headless: true,
        // The pages read their localisation files from their own file:// directory.
        args: ['--no-sandbox', '--allow-file-access-from-files', '--disable-gpu'],
        timeout: 20000,
    });
    // One browser context and page for each window, made on first use.
    const windows = new Map();  // window number -> { viewport, page: Promise<Page> | null }

    function windowOf(number) {
        let window = windows.get(number);
        if (!window) {
            window = { viewport: { width: 500, height: 354 }, page: null };
            windows.set(number, window);
        }
        return window;
    }

    function pageOf(number) {
        const window = windowOf(number);
        if (!window.page) window.page = makePage(number, window.viewport);
        return window.page;
    }

    async function makePage(number, viewport) {
        const context = await browser.newContext({ viewport });
        const page = await context.newPage();
        page.setDefaultTimeout(actionTimeout);
        await page.addInitScript(externalScript(port, number));
        page.on('load', () => send({ type: 'loaded', window: number, url: page.url() }));
        page.on('pageerror', (error) => diagnose('page error: ' + error.message));
        page.on('console', (message) => {
            if (message.type() === 'error' || message.type() === 'warning') diagnose('console: ' + message.text());
        });
        page.on('dialog', (dialog) => {
            diagnose('page dialog: ' + dialog.message());
            dialog.dismiss().catch(() => {});
        });
        return page;
    }

    // Navigation: the reply once it has started; a failure is reported as the control reports it
    // (a navigation error, then the load of what the browser shows instead).
    async function open(number, url) {
        const started = (await pageOf(number)).goto(url, { waitUntil: 'commit', timeout: actionTimeout });
        started.catch((error) => {
            const reason = String(error.message).split('\n')[0];
            send({ type: 'navError', window: number, status: navigationStatus(reason), url, reason });
        });
        return started.then(() => '', () => '');
    }

    // Access keys: Chromium takes them only from a key-down that carries its text, which playwright's
    // keyboard leaves out while Alt is held.
    async function pressAccessKey(page, character) {
        const letter = character.toLowerCase();
        const key = { key: letter, code: /[0-9]/.test(letter) ? 'Digit' + letter : 'Key' + letter.toUpperCase(),
                      windowsVirtualKeyCode: letter.toUpperCase().charCodeAt(0), modifiers: 1 };
        const cdp = await page.context().newCDPSession(page);
        try {
            await cdp.send('Input.dispatchKeyEvent', Object.assign({ type: 'keyDown', text: letter, unmodifiedText: letter }, key));
            await cdp.send('Input.dispatchKeyEvent', Object.assign({ type: 'keyUp' }, key));
        } finally {
            await cdp.detach().catch(() => {});
        }
    }

    // A user's action may end the dialog, whose window the host may close before playwright has finished
    // with the action: that is the action's success, not its failure.
    async function userAction(number, action) {
        const page = await pageOf(number);
        try {
            await action(page);
        } catch (error) {
            if (!page.isClosed()) throw error;
        }
        return '';
    }

    const operations = {
        open: (c) => open(c.window, c.url),
        eval: async (c) => {
            const result = await (await pageOf(c.window)).evaluate(evaluateInPage, { script: c.script, id: c.id });
            if (!result.ok) throw new Error(result.error);
            return result.value;
        },
        click: (c) => userAction(c.window, (page) => page.click(c.selector)),
        check: (c) => userAction(c.window, (page) => page.setChecked(c.selector, !!c.checked)),
        press: (c) => userAction(c.window, (page) => {
            const accessKey = /^Alt\+([A-Za-z0-9])$/.exec(c.key);
            return accessKey ? pressAccessKey(page, accessKey[1]) : page.keyboard.press(c.key);
        }),
        viewport: async (c) => {
            const window = windowOf(c.window);
            window.viewport = { width: c.width, height: c.height };
            if (window.page) await (await window.page).setViewportSize(window.viewport);
            return '';
        },
        screenshot: async (c) => { await (await pageOf(c.window)).screenshot({ path: c.path }); return ''; },
        closeWindow: async (c) => {
            const window = windows.get(c.window);
            windows.delete(c.window);
            if (window && window.page) await (await window.page).context().close();
            return '';
        },
    };

    let closing = false;
    // A browser that goes away ends the relay, and with it every wait of the C++ side.
    browser.on('disconnected', () => {
        if (closing) return;
        diagnose('the browser ended');
        process.exit(1);
    });

    send({ type: 'ready' });

    const input = readline.createInterface({ input: process.stdin, terminal: false });
    async function shutDown() {
        if (closing) return;
        closing = true;
        await browser.close().catch(() => {});
        server.close();
        process.exit(0);
    }
    input.on('close', shutDown);
    input.on('line', (line) => {
        let command;
        try {
            command = JSON.parse(line);
        } catch (error) {
            return diagnose('not a command: ' + line);
        }
        if (command.op === 'answer') return answerCall(command.call, command.value);
        if (command.op === 'echo') return send({ type: 'echo', id: command.id });
        if (command.op === 'close') {
            send({ type: 'reply', id: command.id, ok: true, value: '' });
            return shutDown();
        }
        const operation = operations[command.op];
        if (!operation) return send({ type: 'reply', id: command.id, ok: false, error: 'unknown op ' + command.op });
        operation(command).then(
            (value) => send({ type: 'reply', id: command.id, ok: true, value }),
            (error) => send({ type: 'reply', id: command.id, ok: false, error: String(error.message).split('\n')[0] }));
    });
}

main().catch((error) => {
    diagnose('cannot start: ' + (error && error.message ? error.message : error));
    send({ type: 'fatal', error: String(error && error.message ? error.message : error).split('\n')[0] });
    process.exit(1);
});
