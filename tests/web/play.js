// Plays an exported Ludivar page in headless Chromium by keys, as a pupil would,
// and checks what the page said (live region), what it handed to the browser's
// voice, the score, that it fetched nothing, and an automated accessibility check.
//   node play.js demo PAGE.html        the demo game, to its end
//   node play.js program PAGE.html     the demo driven by its program
// Exit 0 when every check holds; the failures are printed.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [mode, pagePath] = process.argv.slice(2);
const failures = [];
function check(ok, what) { if (!ok) failures.push(what); }

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ludivar-web-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--user-data-dir=' + profile, '--autoplay-policy=no-user-gesture-required'],
  });
  try {
    const page = await browser.newPage();
    const fetched = [];
    page.on('request', (r) => { if (!/^(file|data):/.test(r.url())) fetched.push(r.url()); });
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    // Headless Chromium has no voice: the page's calls are recorded instead.
    await page.evaluateOnNewDocument(() => {
      window.__spoken = [];
      const speak = window.speechSynthesis.speak.bind(window.speechSynthesis);
      window.speechSynthesis.speak = (u) => { window.__spoken.push({ text: u.text, lang: u.lang }); speak(u); };
    });
    await page.goto('file://' + path.resolve(pagePath), { waitUntil: 'load' });

    const said = () => page.$$eval('#falas p', (ps) => ps.map((p) => p.textContent));
    const spoken = () => page.evaluate(() => window.__spoken.map((s) => s.text));
    // Waits until the live region has said `text` `times` times.
    const t0 = Date.now();
    const until = async (text, times = 1) => {
      if (process.env.LUDIVAR_WEB_DEBUG) console.log((Date.now() - t0) + ' ms: ' + text);
      try {
        await page.waitForFunction((t, n) => [...document.querySelectorAll('#falas p')]
          .filter((p) => p.textContent === t).length >= n, { timeout: 30000 }, text, times);
      } catch (e) {
        failures.push('never said "' + text + '" (' + times + '): ' + JSON.stringify((await said()).slice(-8)));
        throw e;
      }
    };
    const answer = async (text) => {
      await page.waitForFunction(() => document.activeElement.id === 'resposta', { timeout: 30000 });
      await page.keyboard.type(text);
      await page.keyboard.press('Enter');
    };
    const axe = async (when) => {
      await page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
      const r = await page.evaluate(() => window.axe.run(document));
      const bad = r.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
      check(bad.length === 0, 'accessibility ' + when + ': ' + bad.map((v) => v.id + ' ' + v.nodes.map((n) => n.target).join(' ')).join('; '));
    };

    check((await page.$eval('#ajuda', (e) => e.textContent)).startsWith('Aperte Enter para começar'),
          'the page does not start with "Aperte Enter para começar"');
    check(await page.$eval('#jogo', (e) => e.getAttribute('role') === 'application' && document.activeElement === e),
          'the play area is not an application with the focus');
    check(await page.$eval('#falas', (e) => e.getAttribute('aria-live') === 'polite'), 'no live region');
    await axe('at the start');
    await page.keyboard.press('Enter');
    await until('Aperte F2 para ligar ou desligar a voz desta página.');

    if (mode === 'program') {
      const note = 'Este jogo tem um programa, que só o Ludivar executa. Aqui os lugares são jogados sem o programa.';
      await until(note);
      check((await spoken()).includes(note), 'the program note was not handed to the voice');
      check((await page.$eval('#caixa', (e) => e.textContent)).includes(note), 'the program note is not written');
      await page.keyboard.press('Enter');
      await until('Vamos aprender as formas e as cores!');
      return;
    }

    for (const t of ['Formas e Cores', 'Autor: Equipe Ludivar', 'Versão 1.0', 'Aperte enter']) await until(t);
    await page.keyboard.press('Enter');
    // The opening slide advances by itself once its sound and its text have ended.
    await until('um jogo para aprender brincando');
    await until('Vamos aprender as formas e as cores!');
    await page.keyboard.press('Enter');                       // Enter alone on the last slide
    await until('Por onde você quer começar?');
    await axe('on a slide');
    await answer('formas');                                   // FORMAS,Círculo: a category setting
    await until('Que forma é esta?');
    await answer('quadrado');                                 // wrong: the hint, then back
    await until('Ainda não.');
    await page.keyboard.press('Enter');
    await until('Que forma é esta?', 2);
    await answer('  círculo ');                               // trimmed and upper-cased
    await until('E esta forma, qual é?');
    await page.keyboard.press('PageUp');                      // back a slide, which advances again
    await until('Muito bem!', 2);
    await until('E esta forma, qual é?', 2);
    await answer('quadrado');
    await until('Acertou de novo!');
    await answer('triângulo');
    await until('De que cor é esta maçã?');
    await page.keyboard.press('Escape');
    await until('Confirma fim? ');
    await page.keyboard.press('n');                           // not S: the same place again, no points
    await until('De que cor é esta maçã?', 2);
    check((await page.$eval('#placar', (e) => e.textContent)) === 'Pontos: 30', 'points added again after "Confirma fim?"');
    await page.keyboard.press('F2');                          // the page's own voice off
    await until('Voz da página desligada.');
    await answer('vermelha');
    await until('De que cor é o céu num dia de sol?');
    check(!(await spoken()).includes('De que cor é o céu num dia de sol?'), 'the voice spoke after F2 turned it off');
    await page.keyboard.press('F2');
    await until('Voz da página ligada.');
    await answer('azul');                                     // FINAL: a category leading to "Fim"
    await until('Você fez 50 pontos.');
    await page.keyboard.press('Enter');
    await until('Fim do Jogo');
    await until('Pontos: 50');
    await axe('at the end');
    const voice = await page.evaluate(() => window.__spoken);
    check(voice.length > 0 && voice.every((s) => s.lang === 'pt-BR'), 'speech not handed over in pt-BR');
    check(voice.some((s) => s.text === 'Fim do Jogo'), '"Fim do Jogo" not handed to the voice');
    check(fetched.length === 0, 'the page fetched ' + fetched.join(' '));
    check(errors.length === 0, 'script errors: ' + errors.join('; '));
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch((e) => { if (!failures.length) failures.push(String(e && e.stack || e)); }).finally(() => {
  for (const f of failures) console.log('FAIL: ' + f);
  process.exit(failures.length ? 1 : 0);
});
