// The page scripts' branches in each world (tests/html/page_worlds.js): the system's browser control
// takes the XML document and answers host calls at once, Chromium reads the file with a request, and a
// page opened without a host falls back. Chromium itself runs the pages in the html tests.
'use strict';

const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { afterEach, test } = require('node:test');
const { closePages, openPage, pagesDirectory } = require('./page_worlds');

afterEach(closePages);

const protocolPage = path.join(__dirname, 'protocol.html');
const hostWorlds = ['control', 'oldControl', 'chromium'];

function text(world, id) {
    const element = world.document.getElementById(id);
    return element.textContent === undefined ? element.innerText : element.textContent;
}

function click(world, element) {
    element.dispatchEvent(new world.window.MouseEvent('click', { bubbles: true, cancelable: true }));
}

function pressEscape(world) {
    const event = new world.window.KeyboardEvent('keydown', { keyCode: 27, bubbles: true });
    if (world.kind === 'oldControl') world.fire('onkeydown', event);
    else world.document.body.dispatchEvent(event);
}

function errors(world) {
    return world.callsOf('log').filter((c) => c[0] === 'ERROR').map((c) => c[1]);
}

test('the protocol page loads its texts, links and keys through the loader and host of each world', async () => {
    for (const kind of hostWorlds) {
        const world = await openPage(kind, protocolPage, { locale: 'de', waitsToLoad: 3 });
        assert.equal(world.document.title, 'Zarn-Protokolltest – Übersicht', kind);
        assert.equal(text(world, 'heading'), 'Dialogprotokoll', kind);
        assert.equal(text(world, 'next'), 'Weiter', kind);
        assert.equal(world.document.getElementById('next').accessKey, 'W', kind);
        assert.deepEqual(world.callsOf('setWindowProp'), [['closeButton', '0'], ['title', 'Zarn-Protokolltest – Übersicht']],
                         kind);
        if (kind === 'chromium') {
            assert.deepEqual(world.constructed, [], kind);
            assert.equal(world.requested.length, 1, kind);
            assert.match(world.requested[0].url, /^file:\/\/.*\/protocol_de\.wxl$/, kind);
        } else {
            // Polled with the host's delay until the document has loaded.
            assert.deepEqual(world.constructed, ['Microsoft.XMLDOM'], kind);
            assert.match(world.loaded[0], /^res:\/\/.*\/protocol_de\.wxl$/, kind);
            assert.deepEqual(world.callsOf('delay'), [['10'], ['10'], ['10']], kind);
            assert.deepEqual(world.requested, [], kind);
        }
        const links = world.document.querySelectorAll('#main a');
        for (const link of links) click(world, link);
        assert.deepEqual(world.callsOf('notify'), [['a', 'https://www.zarn.example/en/more.html'],
            ['a', 'https://www.zarn.example/en/help.html'], ['a', 'manageListLink'], ['a']], kind);
        assert.equal(world.document.activeElement.id, 'cancel', kind);
        assert.deepEqual(errors(world), [], kind);
    }
});

test('a localisation file that does not parse, does not come or never loads is logged and the page stays', async () => {
    const rows = [
        { name: 'control, broken', kind: 'control', locale: 'broken',
          error: 'protocol_broken.wxl: xml loading/parsing error - End tag does not match the start tag.' },
        { name: 'chromium, broken', kind: 'chromium', locale: 'broken', error: /^protocol_broken\.wxl: xml loading\/parsing error - \S/ },
        { name: 'chromium, missing', kind: 'chromium', locale: 'xx', error: /^protocol_xx\.wxl: xml loading\/parsing error - NetworkError/ },
        { name: 'control, never loaded', kind: 'control', locale: 'de', waitsToLoad: Infinity, delays: 500,
          error: 'protocol_de.wxl: xml loading/parsing error - not loaded within 5000 ms' }
    ];
    for (const row of rows) {
        const world = await openPage(row.kind, protocolPage, { locale: row.locale, waitsToLoad: row.waitsToLoad });
        const logged = errors(world);
        assert.equal(logged.length, 1, row.name + ': ' + logged);
        if (typeof row.error === 'string') assert.equal(logged[0], row.error, row.name);
        else assert.match(logged[0], row.error, row.name);
        if (row.delays) assert.equal(world.callsOf('delay').length, row.delays, row.name);
        assert.equal(text(world, 'heading'), 'Protocol', row.name);
    }
});

test('without a host the page takes English and shows what it would have sent', async () => {
    const world = await openPage('browser', protocolPage, { locale: 'de' });
    assert.equal(text(world, 'heading'), 'Dialog protocol');
    assert.match(world.requested[0].url, /\/protocol_en\.wxl$/);
    click(world, world.document.getElementById('cancel'));
    assert.deepEqual(world.alerts, ['notify(cancel)']);
});

test('every removal page takes its texts in every language from the control, and in each other world', async () => {
    const pages = fs.readdirSync(pagesDirectory).filter((name) => name.endsWith('.html'));
    const locales = fs.readdirSync(pagesDirectory).filter((name) => /^zarnscrub_[a-z]+(_[A-Z]+)?\.wxl$/.test(name))
        .map((name) => name.replace(/^zarnscrub_(.*)\.wxl$/, '$1'));
    assert.equal(locales.length, 11);
    for (const kind of hostWorlds) {
        for (const page of pages) {
            for (const locale of kind === 'control' ? locales : ['ja']) {
                const name = [kind, page, locale].join(', ');
                const world = await openPage(kind, page, { locale, waitsToLoad: 1 });
                const source = fs.readFileSync(path.join(pagesDirectory, page.replace('.html', '_' + locale + '.wxl')), 'utf8');
                const heading = world.document.querySelector('#header h1');
                assert.equal(source.includes('>' + text(world, heading.id) + '<'), true, name);
                assert.equal(world.document.documentElement.lang, locale.replace('_', '-'), name);
                // The header band is SVG, which the old mode lacks.
                assert.equal(world.document.getElementById('band') !== null, kind !== 'oldControl', name);
                assert.deepEqual(errors(world), [], name);
            }
        }
    }
});

test('Escape ends a page as its close command does, and not while that is disabled', async () => {
    for (const kind of hostWorlds) {
        const notice = await openPage(kind, 'zarnscrub.html');
        pressEscape(notice);
        assert.deepEqual(notice.callsOf('notify'), [['cancel']], kind);

        const progress = await openPage(kind, 'zarnscrub_progress.html');
        progress.window.showProgressView(1);
        pressEscape(progress);
        assert.deepEqual(progress.callsOf('notify'), [], kind);
        progress.window.showProgressView(0);
        pressEscape(progress);
        assert.deepEqual(progress.callsOf('notify'), [['cancel']], kind);
        assert.deepEqual(progress.callsOf('setWindowProp').map((c) => c.join(' ')),
                         ['closeButton 0', 'title ' + progress.document.title, 'closeButton 1'], kind);
    }
});

test('the progress status is announced and its bar is a progress bar', async () => {
    for (const kind of hostWorlds) {
        const world = await openPage(kind, 'zarnscrub_progress.html');
        world.window.showProgressView(1);
        world.window.setStatus('Zarn 7 Update 45', 1, 2);
        const status = world.document.getElementById('status');
        assert.equal(text(world, 'status'), 'Uninstalling Zarn 7 Update 45 (1 of 2)', kind);
        assert.equal(status.getAttribute('aria-live'), 'polite', kind);
        const bar = world.document.getElementById('activity');
        assert.equal(bar.getAttribute('role'), 'progressbar', kind);
        assert.equal(world.document.getElementById(bar.getAttribute('aria-labelledby')).id, 'progressHeading', kind);
    }
});
