// Opens a results page in headless Chromium at a desktop and a phone width and checks
// it: no accessibility violation (axe-core), nothing fetched, no script, both charts
// drawn with a text alternative and inside the page, no sideways scrolling.  Each
// chart is saved as a picture (WIDTH-N.png in SHOTS) for the caller to look at.
//   node report.js PAGE.html SHOTS
// Exit 0 when every check holds; the failures are printed.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [pagePath, shots] = process.argv.slice(2);
const failures = [];
function check(ok, what) { if (!ok) failures.push(what); }

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ludivar-report-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--user-data-dir=' + profile],
  });
  try {
    for (const width of [1280, 390]) {
      const page = await browser.newPage();
      const fetched = [];
      page.on('request', (r) => { if (!/^file:/.test(r.url())) fetched.push(r.url()); });
      await page.setViewport({ width, height: 900, isMobile: width < 500, deviceScaleFactor: 1 });
      await page.goto('file://' + path.resolve(pagePath), { waitUntil: 'load' });
      check(fetched.length === 0, width + ': fetched ' + fetched.join(' '));
      check(await page.$$eval('script', (s) => s.length) === 0, width + ': the page has a script');

      const layout = await page.evaluate(() => ({
        scroll: document.documentElement.scrollWidth,
        inner: window.innerWidth,
        charts: [...document.querySelectorAll('svg')].map((svg) => {
          const r = svg.getBoundingClientRect();
          const ids = (svg.getAttribute('aria-labelledby') || '').split(/\s+/).filter(Boolean);
          return {
            role: svg.getAttribute('role'),
            name: ids.map((id) => (document.getElementById(id) || {}).textContent || '').join(' ').trim(),
            left: r.left, right: r.right, width: r.width, height: r.height,
            marks: svg.querySelectorAll('.ponto, .barra').length,
          };
        }),
        wide: [...document.querySelectorAll('body *')].filter((e) => e.getBoundingClientRect().right > window.innerWidth + 1)
          .map((e) => e.tagName).slice(0, 5),
      }));
      check(layout.scroll <= layout.inner, width + ': sideways scrolling, ' + layout.scroll + ' > ' + layout.inner +
        ' (' + layout.wide.join(' ') + ')');
      check(layout.charts.length === 2, width + ': ' + layout.charts.length + ' charts');
      layout.charts.forEach((c, i) => {
        check(c.role === 'img', width + ': chart ' + i + ' role ' + c.role);
        check(c.name.length > 20, width + ': chart ' + i + ' has no text alternative');
        check(c.width >= Math.min(300, width - 40) && c.height > 100, width + ': chart ' + i + ' too small ' + c.width + 'x' + c.height);
        check(c.left >= 0 && c.right <= width, width + ': chart ' + i + ' outside the page');
        check(c.marks > 0, width + ': chart ' + i + ' draws nothing');
      });
      const svgs = await page.$$('svg');
      for (let i = 0; i < svgs.length; ++i) await svgs[i].screenshot({ path: path.join(shots, width + '-' + (i + 1) + '.png') });
      await page.screenshot({ path: path.join(shots, width + '-pagina.png'), fullPage: true });

      await page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
      const r = await page.evaluate(() => window.axe.run(document));
      check(r.violations.length === 0, width + ': accessibility: ' +
        r.violations.map((v) => v.id + ' ' + v.nodes.map((n) => n.target).join(' ')).join('; '));
      await page.close();
    }
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().then(() => {
  for (const f of failures) console.log('FAIL: ' + f);
  process.exit(failures.length ? 1 : 0);
}, (e) => {
  for (const f of failures) console.log('FAIL: ' + f);
  console.log('ERROR: ' + (e && e.stack || e));
  process.exit(1);
});
