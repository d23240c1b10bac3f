// The folder listing in a real browser: rows, thumbnails on click and all at
// once, paging, folder links, and a screenshot for a look by eye.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {test} from 'node:test';

import {drawImage, SHOT_DIR, withServerAndBrowser} from './lib.mjs';

const TN_EDGE = 120;  // what dir.js asks for at device scale 1 on a wide screen
const SHOT = path.join(SHOT_DIR, 'browser-listing.png');
const NARROW_SHOT = path.join(SHOT_DIR, 'browser-listing-narrow.png');

// Fourteen entries: more than the smallest page (10 rows), so a second page exists.
const IMAGES = [
    {name: 'a-photo.jpg', width: 320, height: 240, type: 'image/jpeg'},
    {name: 'b-portrait.png', width: 200, height: 400, type: 'image/png'},
    {name: 'c-wide.jpg', width: 640, height: 160, type: 'image/jpeg'},
    {name: 'd-square.png', width: 300, height: 300, type: 'image/png'},
];
const TEXTS = ['e1.txt', 'e2.txt', 'e3.txt', 'e4.txt', 'e5.txt', 'e6.txt', 'e7.txt', 'e8.txt'];

async function fill(root, page) {
    for (const image of IMAGES)
        fs.writeFileSync(
            path.join(root, image.name),
            await drawImage(page, image.width, image.height, image.type));
    TEXTS.forEach((name, i) => fs.writeFileSync(path.join(root, name), 'x'.repeat(600 * (i + 1))));
    fs.mkdirSync(path.join(root, 'docs'));
    fs.writeFileSync(path.join(root, 'docs', 'manual.txt'), 'manual');
    fs.mkdirSync(path.join(root, 'Sub A'));
    fs.writeFileSync(path.join(root, 'Sub A', 'inner.txt'), 'inner');
}

// The names shown in the file table, in order.
function shownNames(page) {
    return page.$$eval('#FileTable td:nth-child(2) a', (links) => links.map((a) => a.textContent));
}

// The state of every thumbnail cell: class, src, natural and shown size.
function thumbnails(page) {
    return page.$$eval(
        'img[name="TnImg"]',
        (images) => images.map(
            (img) => ({
                url: img.getAttribute('url'),
                className: img.className,
                src: img.src,
                complete: img.complete,
                width: img.naturalWidth,
                height: img.naturalHeight,
                shown:
                    Math.max(img.getBoundingClientRect().width, img.getBoundingClientRect().height),
            })));
}

// Waits for count loaded thumbnails; a failure says where the page went.
async function waitForLoaded(page, count) {
    const url = page.url();
    try {
        await page.waitForFunction(
            (n) => document.querySelectorAll('img[name="TnImg"].TnLoaded').length >= n, count);
    } catch (error) {
        assert.fail(`${count} thumbnails did not load on ${url}; the page is now ${page.url()}`);
    }
}

// A loaded thumbnail shows the picture itself (its proportions, not the
// placeholder or the blank answer to an unreadable image) within the
// thumbnail column. Returns whether the server scaled it down.
function checkThumbnail(tn) {
    const image = IMAGES.find((i) => tn.url.endsWith(i.name));
    assert.ok(image, `unexpected thumbnail ${tn.url}`);
    assert.equal(tn.className, 'TnLoaded', tn.url);
    assert.ok(tn.src.endsWith(`${tn.url}?tn=${TN_EDGE}`), tn.src);
    assert.ok(tn.complete && tn.width > 1 && tn.height > 1, `${tn.url} ${tn.width}x${tn.height}`);
    assert.ok(
        Math.abs(tn.width / tn.height - image.width / image.height) < 0.05, `${tn.url} aspect`);
    assert.ok(tn.shown <= TN_EDGE && tn.shown > TN_EDGE / 2, `${tn.url} shown at ${tn.shown}px`);
    return Math.max(tn.width, tn.height) <= TN_EDGE;
}

test('listing: rows, thumbnails, paging and folder links', async (t) => {
    await withServerAndBrowser({fill}, async ({server, page}) => {
        const errors = [];
        page.on('pageerror', (error) => errors.push(error.message));

        await page.goto(`${server.base}/?fpp=2`);
        // fpp below the smallest page size gives ten rows: both folders come first.
        assert.deepEqual(await shownNames(page), [
            'docs', 'Sub A', 'a-photo.jpg', 'b-portrait.png', 'c-wide.jpg', 'd-square.png',
            'e1.txt', 'e2.txt', 'e3.txt', 'e4.txt', 'e5.txt'
        ]);
        assert.match(await page.textContent('.Navigation'), /Page 1 of 2/);
        // The style sheet from /*extra/dir.css applies.
        const titleWeight = await page.$eval('.PageTitle', (el) => getComputedStyle(el).fontWeight);
        assert.equal(titleWeight, '600');

        const before = await thumbnails(page);
        assert.equal(before.length, IMAGES.length);
        for (const tn of before)
            assert.ok(tn.src.endsWith('/*extra/tn.gif') && tn.width > 0, tn.src);

        // One click shows that one thumbnail only.
        await page.click('img[url="c-wide.jpg"]');
        await waitForLoaded(page, 1);
        const one = await thumbnails(page);
        checkThumbnail(one.find((tn) => tn.url === 'c-wide.jpg'));
        assert.equal(one.filter((tn) => tn.className === 'TnLoaded').length, 1);

        await page.getByText('Show all thumbnails').first().click();
        await waitForLoaded(page, IMAGES.length);
        const scaled = (await thumbnails(page)).map(checkThumbnail);
        // Serving the whole picture is a valid answer; say so, as it costs bandwidth.
        if (!scaled.every(Boolean))
            t.diagnostic('thumbnails came unscaled: no thumbnail responder answered');
        await page.screenshot({path: SHOT, fullPage: true});
        await page.setViewportSize({width: 390, height: 800});  // a phone
        await page.screenshot({path: NARROW_SHOT, fullPage: true});
        await page.setViewportSize({width: 1000, height: 800});

        await Promise.all([page.waitForURL(/\/c-wide\.jpg$/), page.click('img[url="c-wide.jpg"]')]);
        await page.goBack();  // a click on a shown thumbnail opens the picture

        // Paging keeps fpp and moves by the page size actually used.
        await Promise.all(
            [page.waitForURL(/\?fpp=2&first=10$/), page.getByText('Next page').first().click()]);
        assert.deepEqual(await shownNames(page), ['e6.txt', 'e7.txt', 'e8.txt']);
        assert.match(await page.textContent('.Navigation'), /Page 2 of 2/);
        assert.equal((await thumbnails(page)).length, 0);
        assert.equal(await page.getByText('Show all thumbnails').count(), 0);
        await Promise.all(
            [page.waitForURL(/\?fpp=2&first=0$/), page.getByText('Previous page').first().click()]);
        assert.equal((await shownNames(page)).length, 11);

        // A folder name with a space: the link must lead into that folder.
        await Promise.all([
            page.waitForURL(/\/Sub(\+|%20)A\/$/), page.getByRole('link', {name: 'Sub A'}).click()
        ]);
        assert.deepEqual(await shownNames(page), ['..', 'inner.txt']);
        // Back up without a query: all 14 entries fit the default page.
        await Promise.all([
            page.waitForURL((url) => url.pathname === '/' && !url.search),
            page.getByRole('link', {name: '..'}).click()
        ]);
        assert.equal((await shownNames(page)).length, 14);

        assert.deepEqual(errors, []);
    });
});
