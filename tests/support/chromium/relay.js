#!/usr/bin/env node
// Test-only browser behind the HTML dialog window (test::ChromiumWindow): headless Chromium through
// playwright-core, one page per window, JSON lines on stdin and stdout; diagnostics go to stderr.
// In:  {id, window, method, args}: a method of the window's playwright Page, or one of windowMethods;
//      {answer: call, value}: the value of a synchronous external call. The end of stdin closes all.
// Out: {id, ok, value | error}: the answer (id 0: the browser runs, or cannot start);
//      {window, event: "loaded"}, {window, event: "navError", status};
//      {window, event: "call", call, method, args, sync, eval}: a window.external call, "eval" naming
//      the host evaluation that made it (0: none); "sync" ones wait for their answer.
'use strict';

const readline = require('readline');

// Pictures at a display's scale (1.5 for 144 dpi), as the Windows control zooms a page for it.
const deviceScaleFactor = Number(process.env.ZARN_PAGE_SCALE || 1);
// Windows Internet error codes the browser control reports for a navigation that fails.
const inetResourceNotFound = 0x800c0005 | 0;
const inetDownloadFailure = 0x800c0008 | 0;
// The address the page's external calls go to: no server, the browser context's route answers it.
const externalUrl = 'http://zarn-host.invalid/external';
const synchronous = new Set(['getLocale', 'delay']);

const send = (message) => process.stdout.write(JSON.stringify(message) + '\n');
const diagnose = (text) => process.stderr.write('relay: ' + text + '\n');
const firstLine = (error) => String(error && error.message ? error.message : error).split('\n')[0];

// The page's window.external, installed before any script of the page runs. Every call is a synchronous
// request to this relay, so the calls reach C++ in the page's order; notify, log and setWindowProp are
// answered at once (the page goes on while the host handles them), getLocale and delay once C++ has.
// Arguments become texts the way the Windows control converts script values.
function externalScript(windowNumber) {
    return `(function () {
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
        request.open("POST", "${externalUrl}", false);
        request.send(JSON.stringify({ window: ${windowNumber}, method: method, args: list, eval: window.__zarnHostEval || 0 }));
        if (request.status !== 200) throw new Error("external." + method + ": relay answered " + request.status);
        return JSON.parse(request.responseText).value;
    }
    var external = {};
    ["getLocale", "notify", "log", "setWindowProp", "delay"].forEach(function (method) {
        external[method] = function () {
            var value = call(method, arguments);
            if (method === "getLocale") return value;
        };
    });
    Object.defineProperty(window, "external", { value: external, configurable: true, writable: true });
})();`;
}

const pendingCalls = new Map();  // call number -> route waiting for C++
let nextCall = 1;

// The page comes from file://: the answer must allow any origin.
function fulfill(route, answer) {
    route.fulfill({ headers: { 'Access-Control-Allow-Origin': '*' }, contentType: 'application/json',
                    body: JSON.stringify(answer) }).catch((error) => diagnose('cannot answer: ' + error.message));
}

function routeCall(route) {
    const { window, method, args, eval: hostEval } = JSON.parse(route.request().postData());
    const call = nextCall++;
    const sync = synchronous.has(method);
    send({ window, event: 'call', call, method, args, sync, eval: hostEval });
    if (sync) pendingCalls.set(call, route);
    else fulfill(route, {});
}

// Runs in the page: the host's evaluation. Marks the external calls it makes with its number, and turns
// the value into text as the Windows control's result would read.
function evaluateInPage({ script, id }) {
    const outer = window.__zarnHostEval;
    window.__zarnHostEval = id;
    try {
        const value = (0, eval)(script);
        if (value === undefined || value === null) return { ok: true, value: '' };
        if (typeof value === 'boolean') return { ok: true, value: value ? 'True' : 'False' };
        return { ok: true, value: String(value) };
    } catch (error) {
        return { ok: false, error: String(error && error.message ? error.message : error) };
    } finally {
        window.__zarnHostEval = outer;
    }
}

// What a window does beyond its page's own methods: (page, command, ...args).
const windowMethods = {
    // Answers once the navigation has started; a failure is reported as the control reports it (a
    // navigation error, then the load of what the browser shows instead).
    open(page, command, url) {
        const started = page.goto(url, { waitUntil: 'commit' });
        started.catch((error) => {
            const reason = firstLine(error);
            diagnose('navigation to ' + url + ' failed: ' + reason);
            const missing = /ERR_FILE_NOT_FOUND|ERR_NAME_NOT_RESOLVED|ERR_INVALID_URL/.test(reason);
            send({ window: command.window, event: 'navError', status: missing ? inetResourceNotFound : inetDownloadFailure });
        });
        return started.then(() => '', () => '');
    },
    async hostEval(page, command, script) {
        const result = await page.evaluate(evaluateInPage, { script, id: command.id });
        if (!result.ok) throw new Error(result.error);
        return result.value;
    },
    pressKey(page, command, key) {
        return page.keyboard.press(key);
    },
};

async function main() {
    const { chromium } = require('playwright-core');  // beside the relay: scripts/setup installs it
    const browser = await chromium.launch({
        executablePath: process.env.ZARN_CHROMIUM || '/usr/bin/chromium',
        // The pages read their localisation files from their own file:// directory.
        args: ['--no-sandbox', '--allow-file-access-from-files', '--disable-gpu'],
        timeout: 20000,
    });
    const pages = new Map();  // window number -> Promise<Page>, made on first use

    async function makePage(number) {
        const context = await browser.newContext({ viewport: { width: 500, height: 354 }, deviceScaleFactor });
        await context.route(externalUrl, routeCall);
        const page = await context.newPage();
        page.setDefaultTimeout(10000);
        await page.addInitScript(externalScript(number));
        page.on('load', () => send({ window: number, event: 'loaded' }));
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

    async function run(command) {
        const made = pages.get(command.window);
        if (command.method === 'closeWindow') {
            pages.delete(command.window);
            return made && (await made).context().close();
        }
        if (!made) pages.set(command.window, makePage(command.window));
        const page = await pages.get(command.window);
        const own = windowMethods[command.method];
        try {
            return await (own ? own(page, command, ...command.args) : page[command.method](...command.args));
        } catch (error) {
            // A user's action may end the dialog, whose window the host closes before playwright has
            // finished with the action: that is the action's success.
            if (!page.isClosed()) throw error;
        }
    }

    let closing = false;
    // A browser that goes away ends the relay, and with it every wait of the C++ side.
    browser.on('disconnected', () => {
        if (closing) return;
        diagnose('the browser ended');
        process.exit(1);
    });
    send({ id: 0, ok: true, value: '' });

    const input = readline.createInterface({ input: process.stdin, terminal: false });
    input.on('close', () => {
        closing = true;
        setTimeout(() => process.exit(0), 5000).unref();  // the C++ side waits for the relay's end
        browser.close().catch(() => {}).finally(() => process.exit(0));
    });
    input.on('line', (line) => {
        const command = JSON.parse(line);
        if ('answer' in command) {
            const route = pendingCalls.get(command.answer);
            pendingCalls.delete(command.answer);
            return route ? fulfill(route, { value: command.value }) : diagnose('answer for unknown call ' + command.answer);
        }
        run(command).then((value) => send({ id: command.id, ok: true, value: typeof value === 'string' ? value : '' }),
                          (error) => send({ id: command.id, ok: false, error: firstLine(error) }));
    });
}

main().catch((error) => {
    diagnose('cannot start: ' + firstLine(error));
    send({ id: 0, ok: false, error: firstLine(error) });
    process.exit(1);
});
