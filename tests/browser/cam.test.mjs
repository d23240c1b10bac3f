// The webcam page in a real browser, with the built-in test pattern as the
// camera: the picture loads in both sizes and the script keeps reloading it.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {withServerAndBrowser} from './lib.mjs';

const CAMERA = {
    args: ['-camera=test'],
    env: {PALVEX_CAMERA: 'test'}
};
const RELOAD_WAIT_MS = 8000;  // the large picture reloads every 3 s

// The webcam picture's state once it has loaded.
async function loadedPicture(page) {
    await page.waitForFunction(() => {
        const img = document.images.WebcamImg;
        return img && img.complete && img.naturalWidth > 0;
    });
    return page.evaluate(() => {
        const img = document.images.WebcamImg;
        return {src: img.src, width: img.naturalWidth, height: img.naturalHeight};
    });
}

test('webcam: the demo page shows a picture that loads and reloads', async (t) => {
    await withServerAndBrowser(CAMERA, async ({server, page}) => {
        const probe = await fetch(`${server.base}/*cam/demo.html`);
        if (probe.status === 404) {
            t.skip('no webcam pages in this build');
            return;
        }
        assert.equal(probe.status, 200);
        const errors = [];
        page.on('pageerror', (error) => errors.push(error.message));

        await page.goto(`${server.base}/*cam/demo.html`);
        const first = await loadedPicture(page);
        assert.deepEqual([first.width, first.height], [320, 240]);
        await page.waitForFunction((src) => {
            const img = document.images.WebcamImg;
            return img.src !== src && /random=\d+$/.test(img.src) && img.complete &&
                img.naturalWidth === 320;
        }, first.src, {timeout: RELOAD_WAIT_MS});

        await Promise.all(
            [page.waitForURL(/width=160$/), page.getByText('klein (160*120)').click()]);
        const small = await loadedPicture(page);
        assert.deepEqual([small.width, small.height], [160, 120]);
        assert.deepEqual(errors, []);
    });
});
