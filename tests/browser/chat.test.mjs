// The chat frameset in a real browser: a posted message reaches the message
// frame, and markup in a nickname or message stays text.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {withServerAndBrowser} from './lib.mjs';

// Within the form's limits: 31 characters of nickname, 127 of message.
const HOSTILE_NICK = '"><script>alert(1)</script>';
const HOSTILE_TEXT = '<img src="/x" onerror="alert(2)" id="chatInjected"> "><b id=chatInjected>';

function inputFrame(page) {
    return page.frames().find((frame) => /\/input\.html$|\/post\.html$/.test(frame.url()));
}

// Fills the input frame's form and waits until the post has answered.
async function post(page, nick, text) {
    const form = inputFrame(page);
    const nickField = form.locator('input[name="nick"][type="text"]');
    if (await nickField.count()) await nickField.fill(nick);
    await form.locator('input[name="txt"]').fill(text);
    await Promise.all(
        [form.waitForURL(/\/post\.html$/), form.locator('input[type="submit"]').click()]);
}

function waitForMessage(page, text) {
    return page.frame({name: 'MsgFrame'})
        .waitForFunction((t) => document.body && document.body.innerText.includes(t), text);
}

// The URL of a frame that holds an injected element or script, else null.
async function injected(page) {
    for (const frame of page.frames()) {
        const found =
            await frame.evaluate(() => Boolean(document.getElementById('chatInjected') || [
                                     ...document.scripts
                                 ].some((s) => s.textContent.includes('alert('))));
        if (found) return frame.url();
    }
    return null;
}

test('chat: posting shows the message; markup stays text', async () => {
    await withServerAndBrowser({}, async ({server, page}) => {
        const dialogs = [];
        page.on('dialog', (dialog) => {
            dialogs.push(dialog.message());
            dialog.dismiss();
        });

        const answer = await page.goto(`${server.base}/*chat/`);
        assert.equal(answer.status(), 200, 'no chat frameset');
        await page.frame({name: 'MsgFrame'}).waitForSelector('body');
        assert.ok(inputFrame(page), 'input frame missing');

        await post(page, 'Anna', 'Hallo zusammen');
        await waitForMessage(page, 'Hallo zusammen');
        const row = await page.frame({name: 'MsgFrame'})
                        .locator('tr', {hasText: 'Hallo zusammen'})
                        .innerText();
        assert.match(row, /\d\d:\d\d\s+Anna\s+Hallo zusammen/);
        // The nickname is fixed for the following posts.
        assert.match(await inputFrame(page).locator('body').innerText(), /Nickname:\s*Anna/);

        // A fresh input page remembers the hostile nickname in its text field.
        await page.goto(`${server.base}/*chat/`);
        await post(page, HOSTILE_NICK, HOSTILE_TEXT);
        await waitForMessage(page, HOSTILE_TEXT);
        assert.equal(await injected(page), null);
        await page.goto(`${server.base}/*chat/`);
        await page.frame({name: 'MsgFrame'}).waitForSelector('body');
        const form = inputFrame(page);
        assert.equal(await form.locator('input[name="nick"]').inputValue(), HOSTILE_NICK);
        const msgText = await page.frame({name: 'MsgFrame'}).locator('body').innerText();
        assert.ok(msgText.includes(HOSTILE_NICK) && msgText.includes(HOSTILE_TEXT), msgText);

        assert.equal(await injected(page), null);
        assert.deepEqual(dialogs, []);
    });
});
