// Plays an exported Ludivar page in headless Chromium by keys, as a pupil would,
// and checks what the page said (live region), what it handed to the browser's
// voice, the score, that it fetched nothing, and an automated accessibility check.
//   node play.js demo PAGE.html        the demo game, to its end, by keys
//   node play.js clicks PAGE.html      the demo game by buttons only, left and resumed
//   node play.js program PAGE.html     the demo driven by its program
//   node play.js access PAGE.html      a game with a silent slide, dark-on-dark colours,
//                                      pictures and long lines (written by the CTest wrapper)
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
  const fetched = [], errors = [];
  try {
    const page = await browser.newPage();
    page.on('request', (r) => { if (!/^(file|data):/.test(r.url())) fetched.push(r.url()); });
    page.on('pageerror', (e) => errors.push(String(e)));
    // Headless Chromium has no voice: the page's calls are recorded instead.
    await page.evaluateOnNewDocument(() => {
      window.__spoken = [];
      const speak = window.speechSynthesis.speak.bind(window.speechSynthesis);
      window.speechSynthesis.speak = (u) => { window.__spoken.push({ text: u.text, lang: u.lang, rate: u.rate }); speak(u); };
    });
    await page.setViewport({ width: 1280, height: 720 });
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
      const bad = r.violations;
      check(bad.length === 0, 'accessibility ' + when + ': ' + bad.map((v) => v.id + ' ' + v.nodes.map((n) => n.target).join(' ')).join('; '));
    };

    const state = () => page.evaluate(() => window.ludivarPage.state());
    // Keys of the browser and of assistive technology, synthesized on the focused
    // element: the page must neither take them nor act on them.
    const browserKeys = [
      { key: 'Tab' }, { key: 'Tab', shiftKey: true }, { key: 'F5' }, { key: 'F6' }, { key: 'F7' }, { key: 'F11' },
      { key: 'l', ctrlKey: true }, { key: 'f', ctrlKey: true }, { key: 'ArrowLeft', altKey: true },
      { key: '=', ctrlKey: true }, { key: '-', ctrlKey: true }, { key: '0', ctrlKey: true },
    ];
    const leftToBrowser = async (when) => {
      const before = JSON.stringify(await state());
      const taken = await page.evaluate((keys) => keys.filter((k) => {
        const target = document.activeElement || document.body;
        return !target.dispatchEvent(new KeyboardEvent('keydown', Object.assign({ bubbles: true, cancelable: true }, k)));
      }).map((k) => JSON.stringify(k)), browserKeys);
      check(taken.length === 0, 'keys taken from the browser ' + when + ': ' + taken.join(' '));
      const after = JSON.stringify(await state());
      check(before === after, 'browser keys changed the game ' + when + ': ' + before + ' -> ' + after);
    };
    // No text of the page is cut or pushed out of sight, at 400% zoom on a
    // 1280 px screen and on a 320 px phone.
    const fits = async (when) => {
      for (const [name, vp] of [['400% zoom', { width: 320, height: 180, deviceScaleFactor: 4 }],
                                ['a phone', { width: 320, height: 640, deviceScaleFactor: 2 }]]) {
        await page.setViewport(vp);
        const bad = await page.evaluate(() => {
          const out = [], vw = document.documentElement.clientWidth;
          const sel = '#tela-texto, #tela-texto p, #caixa div, #caixa p, #onde, #ajuda, #area-resposta, #botoes button';
          for (const el of document.querySelectorAll(sel)) {
            if (!el.getClientRects().length) continue;
            const r = el.getBoundingClientRect();
            if (el.scrollWidth > el.clientWidth + 1 || r.left < -1 || r.right > vw + 1)
              out.push((el.id || el.tagName) + ' "' + el.textContent.slice(0, 30) + '" ' + el.scrollWidth + '/' +
                       el.clientWidth + ' right ' + Math.round(r.right) + ' of ' + vw);
          }
          const tela = document.getElementById('tela'), texto = document.getElementById('tela-texto');
          if (!tela.hidden && texto.getClientRects().length) {
            const a = tela.getBoundingClientRect(), b = texto.getBoundingClientRect();
            if (b.left < a.left - 1 || b.right > a.right + 1 || b.top < a.top - 1 || b.bottom > a.bottom + 1)
              out.push('slide text outside the slide');
          }
          return out;
        });
        check(bad.length === 0, 'text cut ' + when + ' at ' + name + ': ' + bad.join('; '));
      }
      await page.setViewport({ width: 1280, height: 720 });
    };
    // The names in the accessibility tree (what a screen reader can reach).
    const accessibleNames = async () => {
      const names = [];
      const walk = (n) => { if (!n) return; if (n.name) names.push(n.name); (n.children || []).forEach(walk); };
      walk(await page.accessibility.snapshot({ interestingOnly: false }));
      return names;
    };
    const click = async (id) => {
      await page.waitForFunction((i) => { const b = document.getElementById(i); return b && !b.hidden && b.getClientRects().length; },
                                 { timeout: 30000 }, id);
      await page.click('#' + id);
    };

    // The demo by pointer alone: buttons, and typing only into the answer field.
    const type = async (text) => {
      await page.waitForFunction(() => document.getElementById('resposta').getClientRects().length, { timeout: 30000 });
      await page.type('#resposta', text);
      await click('responder');
    };
    const byClicks = async () => {
      await click('continuar');                               // "Começar"
      await until('Aperte enter');
      await click('continuar');
      await until('Vamos aprender as formas e as cores!');
      await click('voltar');                                  // back to the opening slide, which advances again
      await until('um jogo para aprender brincando', 2);
      await until('Vamos aprender as formas e as cores!', 2);
      await type('');                                         // an empty answer, as Enter alone
      await until('Por onde você quer começar?');
      await type('cores');
      await until('Agora as cores. Na figura, uma maçã madura, da cor do morango e do tomate maduro. De que cor é a maçã?');
      await click('sair');
      await until('Confirma fim? ');
      await click('nao');
      await until('Agora as cores. Na figura, uma maçã madura, da cor do morango e do tomate maduro. De que cor é a maçã?', 2);
      check((await page.$eval('#placar', (e) => e.textContent)) === 'Pontos: 10', 'points after "Não": ' +
            await page.$eval('#placar', (e) => e.textContent));
      // The pupil leaves; the page, opened again, offers to go on from there.
      await page.reload({ waitUntil: 'load' });
      await click('continuar');
      await until('Aperte enter');
      await click('continuar');
      await until('Continuar de onde parou? S/N');
      await leftToBrowser('at "Continuar de onde parou?"');
      await click('sim');
      await until('Agora as cores. Na figura, uma maçã madura, da cor do morango e do tomate maduro. De que cor é a maçã?');
      check((await page.$eval('#placar', (e) => e.textContent)) === 'Pontos: 10', 'points not kept on resuming: ' +
            await page.$eval('#placar', (e) => e.textContent));
      await type('vermelha');
      await until('De que cor é o céu num dia de sol?');
      await type('azul');
      await until('Agora um desafio para os ouvidos! A vaca vive na fazenda e dá leite. Escreva como a vaca faz.');
      await type('muu');
      await until('Você fez 40 pontos.');
      await type('');
      await until('Fim do Jogo');
      await until('Pontos: 40');
      check(await page.evaluate(() => !Object.keys(localStorage).some((k) => k.startsWith('ludivar-progresso'))),
            'progress still kept after the end of the game');
      await click('continuar');
      await page.waitForFunction(() => window.ludivarPage.state().fase === 'inicio', { timeout: 30000 });
    };

    // The game the CTest wrapper writes: a silent first slide in black on black
    // over a picture titled "Uma casa amarela", with a long line; a second slide
    // asks "Que palavras?" (right answer SOL LUA) beside an untitled picture.
    const silent = 'Texto que só se lê, sem voz.';
    const access = async () => {
      await page.keyboard.press('Enter');
      check(await page.$eval('#aviso-voz', (e) => !e.hidden && e.textContent.includes('não tem voz em português')),
            'no notice that the browser has no Portuguese voice');
      await until('Aperte enter');
      await page.keyboard.press('Enter');
      await page.waitForFunction((t) => document.getElementById('tela-texto').textContent.includes(t),
                                 { timeout: 30000 }, silent);
      check(!(await spoken()).includes(silent), 'the silent slide was handed to the voice');
      check((await accessibleNames()).some((n) => n.includes(silent)), 'the silent slide is not in the accessibility tree');
      await until(silent);                                    // in the log, for screen readers and Braille
      check(await page.$eval('#tela-figura', (e) => e.alt === 'Uma casa amarela'), 'the picture is not described by the title');
      const ratio = await page.$eval('#tela-texto', (e) => {
        const parse = (c) => c.match(/\d+(\.\d+)?/g).slice(0, 3).map(Number);
        const lum = (c) => { const l = c.map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4); });
          return 0.2126 * l[0] + 0.7152 * l[1] + 0.0722 * l[2]; };
        const s = getComputedStyle(e), a = lum(parse(s.color)), b = lum(parse(s.backgroundColor));
        return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
      });
      check(ratio >= 4.5, 'black on black text has no contrasting backing (' + ratio.toFixed(2) + ':1)');
      check(await page.$eval('#tela-texto', (e) => getComputedStyle(e).color === 'rgb(0, 0, 0)'), 'the author\'s text colour was changed');
      const description = await page.evaluate(() => document.getElementById('jogo').getAttribute('aria-describedby')
        .split(' ').map((id) => document.getElementById(id).textContent).join(' '));
      check(description.includes('Praça, slide 1 de 2: Uma casa amarela'), 'the game area does not say where it is: ' + description);
      await axe('on a silent slide in black on black');
      await fits('on a slide with a long line');
      // The browser's text size reaches the slide.
      const sizes = await page.evaluate(() => {
        const t = document.getElementById('tela-texto'), a = parseFloat(getComputedStyle(t).fontSize);
        document.documentElement.style.fontSize = '200%';
        const b = parseFloat(getComputedStyle(t).fontSize);
        document.documentElement.style.fontSize = '';
        return [a, b];
      });
      check(Math.abs(sizes[1] - 2 * sizes[0]) < 0.5, 'slide text does not follow the text size: ' + sizes.join(' -> '));
      await page.keyboard.press('PageDown');
      await until('Que palavras?');
      check(await page.$eval('#tela-figura', (e) => e.alt === '' && !e.hidden), 'an untitled picture is not marked decorative');
      const names = await accessibleNames();
      check(names.some((n) => n.includes('Que palavras?') && n.includes('Resposta')), 'the answer field is not named by the question');
      // The voice's speed, from the page's own control, kept for the next visit.
      await page.focus('#velocidade');
      for (let i = 0; i < 5; i++) await page.keyboard.press('ArrowRight');
      check(await page.evaluate(() => localStorage.getItem('ludivar-velocidade')) === '1.5', 'the voice speed is not kept');
      const before = (await spoken()).length;
      await page.focus('#resposta');
      await page.keyboard.type('sol lua');
      const echo = (await page.evaluate(() => window.__spoken)).slice(before);
      check(JSON.stringify(echo.map((s) => s.text)) === JSON.stringify(['s', 'o', 'l', 'sol', 'l', 'u', 'a']),
            'letters and words not echoed: ' + JSON.stringify(echo.map((s) => s.text)));
      check(echo.length > 0 && echo.every((s) => s.rate === 1.5), 'the voice speed is not used');
      await page.keyboard.press('Enter');
      await until('Acabou.');
      await page.reload({ waitUntil: 'load' });
      check(await page.$eval('#velocidade', (e) => e.value === '1.5'), 'the voice speed is lost on reload');
    };

    check((await page.$eval('#ajuda', (e) => e.textContent)).startsWith('Aperte Enter para começar'),
          'the page does not start with "Aperte Enter para começar"');
    check(await page.$eval('#jogo', (e) => e.getAttribute('role') === 'application' && document.activeElement === e),
          'the play area is not an application with the focus');
    check(await page.$eval('#falas', (e) => e.getAttribute('aria-live') === 'polite'), 'no live region');
    await axe('at the start');
    if (mode === 'clicks') return await byClicks();
    if (mode === 'access') return await access();
    await leftToBrowser('at the start');
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
    await leftToBrowser('at the title card');
    await fits('at the title card');
    await page.keyboard.press('Enter');
    // The opening slide advances by itself once its sound and its text have ended.
    await until('um jogo para aprender brincando');
    await until('Vamos aprender as formas e as cores!');
    await fits('on the instructions');
    await page.keyboard.press('Enter');                       // Enter alone on the last slide
    await until('Por onde você quer começar?');
    await axe('on a slide');
    await leftToBrowser('in the answer field');
    check(await page.$eval('#onde', (e) => e.textContent === 'Menu, slide 1 de 1: Por onde começar'),
          'the heading does not say the place and slide: ' + await page.$eval('#onde', (e) => e.textContent));
    const before = (await spoken()).length;
    await answer('formas');                                   // FORMAS,Círculo: a category setting
    const echo = (await spoken()).slice(before, before + 6);
    check(JSON.stringify(echo) === JSON.stringify(['f', 'o', 'r', 'm', 'a', 's']),
          'typed letters not echoed by the voice: ' + JSON.stringify(echo));
    await until('Esta forma é redonda como uma bola: não tem lados nem pontas. Que forma é esta?');
    await answer('quadrado');                                 // wrong: the hint, then back
    await until('Ainda não.');
    await page.keyboard.press('Enter');
    await until('Esta forma é redonda como uma bola: não tem lados nem pontas. Que forma é esta?', 2);
    await answer('  círculo ');                               // trimmed and upper-cased
    await until('E esta forma tem quatro lados iguais e quatro pontas. Qual é?');
    await page.keyboard.press('PageUp');                      // back a slide, which advances again
    await until('Muito bem!', 2);
    await until('E esta forma tem quatro lados iguais e quatro pontas. Qual é?', 2);
    await answer('quadrado');
    await until('Acertou de novo!');
    await answer('triângulo');
    await until('Agora as cores. Na figura, uma maçã madura, da cor do morango e do tomate maduro. De que cor é a maçã?');
    await page.keyboard.press('Escape');
    await until('Confirma fim? ');
    await leftToBrowser('at "Confirma fim?"');
    await axe('at "Confirma fim?"');
    await page.keyboard.press('n');                           // not S: the same place again, no points
    await until('Agora as cores. Na figura, uma maçã madura, da cor do morango e do tomate maduro. De que cor é a maçã?', 2);
    check((await page.$eval('#placar', (e) => e.textContent)) === 'Pontos: 30', 'points added again after "Confirma fim?"');
    await page.keyboard.press('F2');                          // the page's own voice off
    await until('Voz da página desligada.');
    await answer('vermelha');
    await until('De que cor é o céu num dia de sol?');
    check(!(await spoken()).includes('De que cor é o céu num dia de sol?'), 'the voice spoke after F2 turned it off');
    await page.keyboard.press('F2');
    await until('Voz da página ligada.');
    await answer('azul');                                     // ANIMAIS,Vaca: a category setting
    await until('Agora um desafio para os ouvidos! A vaca vive na fazenda e dá leite. Escreva como a vaca faz.');
    await answer('mu');                                       // the second accepted answer: FINAL leads to "Fim"
    await until('Você fez 60 pontos.');
    await page.keyboard.press('Enter');
    await until('Fim do Jogo');
    await until('Pontos: 60');
    await axe('at the end');
    await leftToBrowser('at the end');
    const voice = await page.evaluate(() => window.__spoken);
    check(voice.length > 0 && voice.every((s) => s.lang === 'pt-BR'), 'speech not handed over in pt-BR');
    check(voice.some((s) => s.text === 'Fim do Jogo'), '"Fim do Jogo" not handed to the voice');
  } finally {
    check(fetched.length === 0, 'the page fetched ' + fetched.join(' '));
    check(errors.length === 0, 'script errors: ' + errors.join('; '));
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch((e) => { if (!failures.length) failures.push(String(e && e.stack || e)); }).finally(() => {
  for (const f of failures) console.log('FAIL: ' + f);
  process.exit(failures.length ? 1 : 0);
});
