// The worlds a page script runs in, faked around jsdom: the system's browser control in edge mode
// (its XML document that loads later, `window.ActiveXObject` reading as undefined although it
// constructs, host methods that answer at once, a request that cannot read the page's resources), the
// same control in an old document mode (attachEvent, no textContent or SVG), Chromium (plain host
// methods, a synchronous request for the file) and a browser without a host.
'use strict';

const fs = require('fs');
const path = require('path');
const { JSDOM } = require('jsdom');

const pagesDirectory = path.resolve(__dirname, '../../resources/html');
// Parses for the fake XML document, outside the page (whose nodes may lack textContent).
const { DOMParser } = new JSDOM('').window;

// The page's HTML with its script files inline, so they run in order while the page is parsed.
function pageSource(file) {
    return fs.readFileSync(file, 'utf8').replace(/<script src="([^"]+)"><\/script>/g, (whole, src) =>
        '<script>' + fs.readFileSync(path.resolve(path.dirname(file), src), 'utf8') + '</script>');
}

// A file beside the page by the name at the end of its address.
function besidePage(file, url) {
    return path.join(path.dirname(file), decodeURIComponent(url.substring(url.lastIndexOf('/') + 1)));
}

// The control's XML document: loads when the host has waited `waitsToLoad` times, and offers only
// what the old engine's nodes have (baseName, text; no localName or textContent).
function xmlDocumentClass(world, file) {
    function msxmlNode(node) {
        return {
            nodeType: node.nodeType, nodeName: node.nodeName, baseName: node.localName, text: node.textContent,
            getAttribute: (name) => node.getAttribute(name)
        };
    }
    return function XmlDocument(progId) {
        world.constructed.push(progId);
        const xml = { async: false, readyState: 0, parseError: { errorCode: 0, reason: '' } };
        xml.load = (url) => {
            world.loaded.push(url);
            xml.readyState = 1;
            world.whenWaited(world.waitsToLoad, () => {
                const parsed = new DOMParser().parseFromString(fs.readFileSync(besidePage(file, url), 'utf8'),
                                                                       'application/xml');
                if (parsed.documentElement.nodeName === 'parsererror') {
                    xml.parseError = { errorCode: -1072896659, reason: 'End tag does not match the start tag.' };
                } else {
                    xml.documentElement = { childNodes: Array.from(parsed.documentElement.childNodes, msxmlNode) };
                }
                xml.readyState = 4;
            });
        };
        return xml;
    };
}

function requestClass(world, file, readable) {
    return class FakeRequest {
        open(method, url, async) {
            this.url = url;
            world.requested.push({ method, url, async });
        }
        send() {
            if (!readable) throw new Error('Access is denied.');
            const source = besidePage(file, this.url);
            if (!fs.existsSync(source)) throw new Error('NetworkError: Failed to load ' + this.url);
            this.status = 0;
            this.responseText = fs.readFileSync(source, 'utf8');
        }
    };
}

// The host's window.external: records each call, answers getLocale; `delay` lets the world's time pass.
function hostObject(world) {
    const call = (method) => (...args) => {
        world.calls.push([method, ...args.map(String)]);
        if (method === 'delay') world.wait();
        return method === 'getLocale' ? world.locale : undefined;
    };
    return { getLocale: call('getLocale'), notify: call('notify'), log: call('log'),
             setWindowProp: call('setWindowProp'), delay: call('delay') };
}

// No layout in jsdom: an element is as big as a button while neither it nor a parent is hidden.
function fakeLayout(window) {
    const size = {
        get() {
            for (let node = this; node && node.style; node = node.parentNode) {
                if (node.style.display === 'none') return 0;
            }
            return 80;
        }
    };
    Object.defineProperty(window.HTMLElement.prototype, 'offsetWidth', size);
    Object.defineProperty(window.HTMLElement.prototype, 'offsetHeight', size);
}

// What an engine before edge mode lacks; its handlers are attached with attachEvent and fired by fire().
// jsdom's own code still listens with addEventListener: only the page's scripts (which run from the
// page's address) find none.
function makeOld(world, window, pageUrl) {
    for (const target of [window, window.document]) {
        const listen = target.addEventListener;
        Object.defineProperty(target, 'addEventListener', {
            get: () => ((new Error().stack.split('\n')[2] || '').includes(pageUrl) ? undefined : listen)
        });
        target.attachEvent = (name, handler) => world.attached.push({ target, name, handler });
    }
    window.document.createElementNS = undefined;
    const textContent = Object.getOwnPropertyDescriptor(window.Node.prototype, 'textContent');
    delete window.Node.prototype.textContent;
    Object.defineProperty(window.HTMLElement.prototype, 'innerText', textContent);
}

const kinds = {
    control: { url: (name) => 'res://C%3A%5CUsers%5Cuser%5Ckobuoffline.exe/' + name, xml: true, host: true },
    oldControl: { url: (name) => 'res://C%3A%5CUsers%5Cuser%5Ckobuoffline.exe/' + name, xml: true, host: true, old: true },
    chromium: { url: (name, file) => 'file://' + file, request: true, host: true },
    browser: { url: (name, file) => 'file://' + file, request: true }
};

const openWindows = [];

// Closes every page opened, with its timers.
function closePages() {
    while (openWindows.length > 0) openWindows.pop().close();
}

// Opens `page` (a file of resources/html, or a path) in the world `kind`; resolves once its load
// handlers and what they put off have run.
async function openPage(kind, page, { locale = 'en', waitsToLoad = 3 } = {}) {
    const traits = kinds[kind];
    const file = path.isAbsolute(page) ? page : path.join(pagesDirectory, page);
    const world = {
        kind, locale, waitsToLoad, calls: [], alerts: [], constructed: [], loaded: [], requested: [], attached: [],
        waited: 0, pending: [],
        wait() {
            ++this.waited;
            this.pending = this.pending.filter((entry) => (this.waited >= entry.at ? (entry.run(), false) : true));
        },
        whenWaited(times, run) {
            this.pending.push({ at: this.waited + times, run });
        },
        fire(name, event) {
            for (const entry of this.attached.filter((e) => e.name === name)) entry.handler.call(entry.target, event);
        },
        // Calls of the host's method, each as its argument list.
        callsOf(method) {
            return this.calls.filter((c) => c[0] === method).map((c) => c.slice(1));
        }
    };
    // A global binding that is no property of the window: what the control's edge mode does to it.
    const activeX = traits.xml ? '<script>let ActiveXObject = window.zarnXmlDocument; delete window.zarnXmlDocument;</script>' : '';
    const url = traits.url(path.basename(file), file);
    const dom = new JSDOM(pageSource(file).replace(/<head>/, '<head>' + activeX), {
        url,
        runScripts: 'dangerously',
        pretendToBeVisual: true,
        beforeParse(window) {
            window.alert = (text) => world.alerts.push(text);
            window.external = traits.host ? hostObject(world) : {};
            if (traits.xml) window.zarnXmlDocument = xmlDocumentClass(world, file);
            window.XMLHttpRequest = requestClass(world, file, !traits.xml);
            fakeLayout(window);
            if (traits.old) makeOld(world, window, url);
        }
    });
    openWindows.push(dom.window);
    world.window = dom.window;
    world.document = dom.window.document;
    await new Promise((resolve) => dom.window.document.readyState === 'complete'
        ? resolve() : dom.window.EventTarget.prototype.addEventListener.call(dom.window, 'load', resolve));
    if (traits.old) {
        world.fire('onreadystatechange');
        world.fire('onload');
    }
    await new Promise((resolve) => setTimeout(resolve, 0));
    return world;
}

module.exports = { openPage, closePages, pagesDirectory };
