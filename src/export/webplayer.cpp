// The player inside an exported page: the play loop and the slide presentation
// of Ludivar, in the browser.  What Ludivar speaks goes to a live region (for
// screen readers) and, unless turned off with F2, to the browser's own voice.
// Every step has a button as well as a key, and the page takes a key only while
// it means something in the game: the browser's own keys stay the browser's.
// Game texts reach the page only through textContent: they are never markup.
#include "export/webpage.h"

namespace web {

const char* const kPageStyle = R"CSS(
body { margin: 0; background: #101010; color: #ffffff; font-family: Verdana, Arial, sans-serif; }
main { max-width: 60rem; margin: 0 auto; padding: 0.5rem; }
h1 { font-size: 1.4rem; margin: 0.3rem 0; }
#onde { font-size: 1.2rem; margin: 0.3rem 0; }
#jogo { outline: none; }
#jogo:focus-visible, #resposta:focus, button:focus-visible, input[type=range]:focus-visible { outline: 3px solid #ffd700; outline-offset: 2px; }
#ajuda { font-size: 1.2rem; }
/* The slide grows with its text: nothing is cut, whatever the zoom or the screen's width. */
#tela { position: relative; display: grid; width: 100%; min-width: 0; aspect-ratio: 4 / 3; padding: 3%; box-sizing: border-box; background: #000000; }
#tela[hidden] { display: none; }
#tela-fundo { position: absolute; left: 0; top: 0; width: 100%; height: 100%; }
#tela-figura { grid-area: 1 / 1; position: relative; max-width: 60%; height: auto; }
#tela-figura[hidden], #tela-fundo[hidden] { display: none; }
#tela video { position: absolute; left: 0; top: 0; width: 100%; height: 100%; z-index: 2; }
#tela-texto { grid-area: 1 / 1; position: relative; z-index: 1; min-width: 0; max-width: 100%; box-sizing: border-box;
  white-space: pre-wrap; overflow-wrap: anywhere; line-height: 1.25; padding: 0.1em 0.3em; }
#tela-texto:empty { display: none; }
#tela-texto p { margin: 0; min-height: 1.25em; }
.esq { justify-self: start; } .dir { justify-self: end; } .mh { justify-self: center; }
.cim { align-self: start; } .bai { align-self: end; } .mv { align-self: center; }
@media (max-width: 40em) {
  #tela { grid-template-rows: auto auto; row-gap: 0.5rem; }
  #tela-figura { grid-area: 1 / 1; }
  #tela-texto { grid-area: 2 / 1; justify-self: stretch; }
}
#caixa { background: #ffffff; padding: 1rem; }
#caixa div { background: #aa0000; color: #ffffff; padding: 1rem 2rem; font-size: 1.3rem; overflow-wrap: anywhere; }
#caixa p { margin: 0.6rem 0; }
#area-resposta { margin-top: 0.5rem; font-size: 1.3rem; display: flex; flex-wrap: wrap; gap: 0.5rem; align-items: center; }
#area-resposta[hidden] { display: none; }
#resposta { font-size: 1.3rem; flex: 1 1 12rem; min-width: 0; }
button { font: inherit; font-size: 1.2rem; min-height: 2.75rem; min-width: 2.75rem; padding: 0.4em 1.2em;
  background: #ffd700; color: #000000; border: 2px solid #ffffff; border-radius: 0.3em; cursor: pointer; }
#botoes { display: flex; flex-wrap: wrap; gap: 0.5rem; margin-top: 0.5rem; }
#placar { font-size: 1.2rem; }
#ajustes { display: flex; flex-wrap: wrap; gap: 0.5rem 1rem; align-items: center; font-size: 1.1rem; }
#velocidade { width: 10rem; max-width: 100%; }
#aviso-voz { font-size: 1.1rem; border: 2px solid #ffd700; padding: 0.5rem; }
#aviso-voz[hidden] { display: none; }
#falas { font-size: 1rem; color: #e0e0e0; }
#falas p { margin: 0.2rem 0; }
.so-leitor { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0); }
)CSS";

std::string PlayerMarkup(const std::string& titleHtml) {
    std::string m = "<main>\n<h1 id=\"nome-jogo\">" + titleHtml + "</h1>\n";
    m += "<div id=\"jogo\" role=\"application\" aria-roledescription=\"jogo\" aria-label=\"" + titleHtml +
         "\" aria-describedby=\"onde ajuda\" tabindex=\"0\">\n";
    m += "<h2 id=\"onde\">Início</h2>\n";
    m += "<p id=\"ajuda\">Aperte Enter para começar. F2 liga e desliga a voz desta página "
         "(quem usa um leitor de telas pode desligá-la).</p>\n";
    m += "<div id=\"tela\" hidden><img id=\"tela-fundo\" alt=\"\" hidden>"
         "<img id=\"tela-figura\" alt=\"\" hidden><div id=\"tela-texto\"></div></div>\n";
    m += "<div id=\"caixa\" hidden></div>\n";
    m += "<form id=\"area-resposta\" hidden><label for=\"resposta\" id=\"rotulo-resposta\">Resposta</label> "
         "<input id=\"resposta\" type=\"text\" autocomplete=\"off\" maxlength=\"80\" "
         "aria-labelledby=\"tela-texto rotulo-resposta\"> "
         "<button type=\"submit\" id=\"responder\">Responder</button></form>\n";
    m += "<div id=\"botoes\"><button type=\"button\" id=\"voltar\" hidden>Voltar</button> "
         "<button type=\"button\" id=\"continuar\">Começar</button> "
         "<button type=\"button\" id=\"sim\" hidden>Sim</button> "
         "<button type=\"button\" id=\"nao\" hidden>Não</button> "
         "<button type=\"button\" id=\"sair\" hidden>Terminar o jogo</button></div>\n";
    m += "</div>\n";
    m += "<p id=\"placar\">Pontos: 0</p>\n";
    m += "<p id=\"aviso-voz\" role=\"status\" hidden></p>\n";
    m += "<div id=\"ajustes\"><button type=\"button\" id=\"voz\" aria-pressed=\"true\">Voz da página</button> "
         "<label for=\"velocidade\">Velocidade da voz</label> "
         "<input id=\"velocidade\" type=\"range\" min=\"0.5\" max=\"2\" step=\"0.1\" value=\"1\" "
         "aria-valuetext=\"1,0\"> <output id=\"velocidade-valor\" for=\"velocidade\">1,0</output></div>\n";
    m += "<h2 class=\"so-leitor\">Falas</h2>\n<div id=\"falas\" role=\"log\" aria-live=\"polite\"></div>\n";
    m += "</main>\n";
    return m;
}

const char* const kPlayerScript = R"JS('use strict';
(function () {
  var G = JSON.parse(document.getElementById('dados-jogo').textContent);
  var M = JSON.parse(document.getElementById('midias-jogo').textContent);
  var T = G.textos, L = G.lugares, numLugares = L.length - 1;
  function $(id) { return document.getElementById(id); }
  var jogo = $('jogo'), ajuda = $('ajuda'), tela = $('tela'), telaFundo = $('tela-fundo'),
      telaFigura = $('tela-figura'), telaTexto = $('tela-texto'), caixa = $('caixa'),
      areaResposta = $('area-resposta'), resposta = $('resposta'), placar = $('placar'), falas = $('falas'),
      onde = $('onde'), botao = { voltar: $('voltar'), continuar: $('continuar'), sim: $('sim'), nao: $('nao'),
      sair: $('sair') }, botaoVoz = $('voz'), velocidade = $('velocidade'), avisoVoz = $('aviso-voz');

  // ---- the browser's storage; a browser that refuses it only loses the memory
  function load(key) {
    try { return JSON.parse(window.localStorage.getItem(key)); } catch (e) { return null; }
  }
  function store(key, value) {
    try {
      if (value === null) window.localStorage.removeItem(key);
      else window.localStorage.setItem(key, JSON.stringify(value));
    } catch (e) { /* private mode or full: nothing is kept */ }
  }

  // ---- speech: the live region always, the page's own voice unless turned off
  var voz = true, rate = 1, vozPt = null;
  function writeLog(text) {
    var p = document.createElement('p');
    p.textContent = text;
    falas.appendChild(p);
    while (falas.childNodes.length > 60) falas.removeChild(falas.firstChild);
  }
  // Only the page's voice: for echoes that a screen reader makes on its own.
  function speakOnly(text) {
    if (!voz || !window.speechSynthesis || !String(text).trim()) return;
    var u = new SpeechSynthesisUtterance(String(text));
    u.lang = 'pt-BR';
    u.rate = rate;
    if (vozPt) u.voice = vozPt;
    window.speechSynthesis.speak(u);
  }
  function say(text) {
    text = String(text);
    if (!text.trim()) return;
    writeLog(text);
    speakOnly(text);
  }
  // A text the game shows without speaking it: a reader of the log (or of
  // Braille) still gets it, the page's voice stays quiet.
  function note(text) { text = String(text); if (text.trim()) writeLog(text); }

  function setRate(r) {
    r = Number(r);
    if (!(r >= 0.5 && r <= 2)) r = 1;
    rate = Math.round(r * 10) / 10;
    velocidade.value = String(rate);
    var shown = rate.toFixed(1).replace('.', ',');
    velocidade.setAttribute('aria-valuetext', shown);
    $('velocidade-valor').textContent = shown;
  }
  setRate(load('ludivar-velocidade'));
  velocidade.addEventListener('change', function () {
    setRate(velocidade.value);
    store('ludivar-velocidade', rate);
    silence();
    speakOnly('Velocidade da voz ' + rate.toFixed(1).replace('.', ','));
  });
  function setVoice(on) {
    voz = on;
    botaoVoz.setAttribute('aria-pressed', on ? 'true' : 'false');
    say(voz ? 'Voz da página ligada.' : 'Voz da página desligada.');
  }
  botaoVoz.addEventListener('click', function () { silence(); setVoice(!voz); });
  // Voices arrive late in some browsers: the notice follows what they report.
  function checkVoices(final) {
    var list = window.speechSynthesis ? window.speechSynthesis.getVoices() : [];
    if (!list.length && !final) return;
    vozPt = null;
    for (var i = 0; i < list.length; i++) {
      var lang = String(list[i].lang).toLowerCase().replace('_', '-');
      if (lang === 'pt-br') { vozPt = list[i]; break; }
      if (!vozPt && lang.indexOf('pt') === 0) vozPt = list[i];
    }
    avisoVoz.textContent = vozPt ? '' :
      'Este navegador não tem voz em português: a página não fala. As falas aparecem escritas abaixo, ' +
      'onde um leitor de telas pode lê-las.';
    avisoVoz.hidden = !!vozPt;
  }
  if (window.speechSynthesis) {
    window.speechSynthesis.addEventListener('voiceschanged', function () { checkVoices(true); });
    checkVoices(false);
  }
  function silence() { if (window.speechSynthesis) window.speechSynthesis.cancel(); }

  // ---- colours: the author's, with a backing where text would be hard to read
  function rgb(css) {
    var m = /^#([0-9a-f]{2})([0-9a-f]{2})([0-9a-f]{2})$/i.exec(css || '');
    return m ? [parseInt(m[1], 16), parseInt(m[2], 16), parseInt(m[3], 16)] : null;
  }
  function luminance(c) {
    var l = c.map(function (v) { v /= 255; return v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4); });
    return 0.2126 * l[0] + 0.7152 * l[1] + 0.0722 * l[2];
  }
  function contrast(a, b) {
    var x = luminance(a), y = luminance(b);
    return (Math.max(x, y) + 0.05) / (Math.min(x, y) + 0.05);
  }
  // The background behind the text: the place's colour, or (over a picture,
  // whose colours are unknown) black or white, whichever reads better.
  function textBacking(letter, ground, overPicture) {
    var fg = rgb(letter) || [255, 255, 255], bg = rgb(ground);
    if (bg && contrast(fg, bg) >= 4.5) return ground;
    if (!bg && !overPicture && contrast(fg, [0, 0, 0]) >= 4.5) return 'transparent';
    return contrast(fg, [0, 0, 0]) >= contrast(fg, [255, 255, 255]) ? '#000000' : '#ffffff';
  }
  function speaking() {
    return voz && !!window.speechSynthesis && (window.speechSynthesis.speaking || window.speechSynthesis.pending);
  }
  var audioCtx = null;
  function beep() {
    try {
      audioCtx = audioCtx || new (window.AudioContext || window.webkitAudioContext)();
      var o = audioCtx.createOscillator(), g = audioCtx.createGain();
      o.frequency.value = 880; g.gain.value = 0.1;
      o.connect(g); g.connect(audioCtx.destination);
      o.start(); o.stop(audioCtx.currentTime + 0.08);
    } catch (e) { /* no sound device: the beep is only a courtesy */ }
  }

  // ---- texts as Ludivar compares them
  function upper(s) {
    var out = '';
    for (var i = 0; i < s.length; i++) {
      var c = s.charCodeAt(i);
      // Letters only, as Ludivar compares answers: the division sign is no letter.
      if ((c >= 97 && c <= 122) || (c >= 224 && c <= 254 && c !== 247)) c -= 32;
      else if (c === 255) c = 0x178;
      else if (c === 0x161 || c === 0x153 || c === 0x17E) c -= 1;
      out += String.fromCharCode(c);
    }
    return out;
  }
  function trim(s) { return s.replace(/^[\x00-\x20]+|[\x00-\x20]+$/g, ''); }
  var vars = { PONTOS: '0', LUGAR: '', RESPOSTA: '', STATUS: '' };
  function variable(name) { var v = vars[upper(name)]; return v === undefined ? '' : v; }
  function substituteFirst(text) {
    var at = text.indexOf('$');
    if (at < 0) return text;
    var end = text.indexOf('.', at + 1);
    var name = text.slice(at + 1, end < 0 ? text.length : end);
    return text.slice(0, at) + variable(name) + (end < 0 ? '' : text.slice(end));
  }
  function substituteAll(text) {
    for (var i = text.length - 1; i >= 0; i--) {
      if (text.charAt(i) !== '$') continue;
      var j = i + 1;
      while (j < text.length && ' ,.'.indexOf(text.charAt(j)) < 0) j++;
      var value = variable(text.slice(i + 1, j));
      if (value !== '') text = text.slice(0, i) + value + text.slice(j);
    }
    return text;
  }

  // ---- play state
  var fase = 'inicio', vez = 0, cur = 0, ultimo = 0, pontos = 0, slide = 1, destino = '';
  var cats = [], aoEnter = null, midiaLugar = null, midiaSlide = null, cortar = null;

  function showScore() { placar.textContent = 'Pontos: ' + pontos; vars.PONTOS = String(pontos); }
  function clearScreen() {
    stopSlideMedia();
    tela.hidden = true; caixa.hidden = true; areaResposta.hidden = true;
    caixa.textContent = '';
  }
  // What the pupil can do now: the buttons, the game area's description and
  // the heading that says where the game is.
  function controls(where, help, shown, continueLabel) {
    onde.textContent = where;
    ajuda.textContent = help;
    for (var b in botao) botao[b].hidden = shown.indexOf(b) < 0;
    botao.continuar.textContent = continueLabel || 'Continuar';
  }
  function writeBox(lines) {
    clearScreen();
    var div = document.createElement('div');
    lines.forEach(function (t) { var p = document.createElement('p'); p.textContent = t; div.appendChild(p); });
    caixa.appendChild(div);
    caixa.hidden = false;
    jogo.focus();
  }
  // A report that waits for Enter, then goes on.
  function waitEnter(then) {
    fase = 'enter'; aoEnter = then;
    controls('Aviso', 'Aperte Enter ou o botão Continuar para seguir.', ['continuar']);
  }
  function notices(list, then) {
    if (!list.length) return then();
    var n = list.shift();
    writeBox(n);
    n.forEach(say);
    waitEnter(function () { notices(list, then); });
  }

  // ---- categories
  function findCategory(name) {
    for (var i = 0; i < cats.length; i++) if (cats[i].nome === name) return cats[i];
    return null;
  }
  function buildCategories(avisos) {
    cats = [];
    for (var n = 1; n <= numLugares; n++) {
      if (!L[n]) continue;
      var c = upper(trim(L[n].categoria));
      if (!c) continue;
      var cat = findCategory(c);
      if (cat) { cat.num++; cat.limite++; cat.lugares.push(n); }
      else if (cats.length < 20) cats.push({ nome: c, proximo: 'FIM', num: 1, limite: 1, refs: 0, lugares: [n] });
      else avisos.push([c, T.LUCATEXC]);
    }
    if (G.aleatorio) cats.forEach(function (cat) {
      for (var j = cat.lugares.length - 1; j > 0; j--) {
        var i = Math.floor(Math.random() * (j + 1)), t = cat.lugares[i];
        cat.lugares[i] = cat.lugares[j]; cat.lugares[j] = t;
      }
    });
  }
  function categorySetting(ref, avisos) {
    var comma = ref.indexOf(','), name = upper(trim(ref.slice(0, comma))), rest = ref.slice(comma + 1);
    var cat = findCategory(name);
    if (!cat) { avisos.push([name, T.LUCATNEX]); return; }
    var c2 = rest.indexOf(',');
    if (c2 >= 0) {
      cat.proximo = upper(trim(rest.slice(0, c2)));
      var lim = trim(rest.slice(c2 + 1));
      if (/^-?[0-9]+$/.test(lim)) cat.limite = parseInt(lim, 10);
    } else {
      cat.proximo = rest;
      cat.limite = cat.num;
    }
  }
  function placeNamed(u) {
    for (var n = 1; n <= numLugares; n++) if (L[n] && upper(L[n].nome) === u) return n;
    return -1;
  }
  function resolvePlace(ref, avisos) {
    if (ref === '') return -1;
    if (ref.indexOf(',') >= 0) { categorySetting(ref, avisos); ref = trim(ref.slice(0, ref.indexOf(','))); }
    var cat = findCategory(ref);
    if (cat) {
      cat.refs++;
      var n = placeNamed(upper(cat.proximo));
      if (n > 0) return n;
    }
    return placeNamed(upper(ref));
  }
  function chooseNext(P, answer, avisos) {
    var a = upper(trim(answer)), dest = '', next;
    if (P.resposta === '' && P.lugarOk === '' && P.lugarErro === '') {
      next = cur + 1;
    } else {
      var list = '|' + substituteFirst(upper(P.resposta)) + '|', at = list.indexOf('|' + a + '|');
      if (at >= 0) {
        var k = list.slice(0, at + 1).split('|').length - 1, pieces = P.lugarOk.split('|');
        dest = k <= pieces.length ? pieces[k - 1] : '';
      } else {
        dest = P.lugarErro;
      }
      next = dest === '' ? cur + 1 : resolvePlace(dest, avisos);
    }
    destino = substituteFirst(dest);
    vars.LUGAR = destino;
    return next;
  }

  // ---- media
  function mediaElement(index) {
    var uri = M[index];
    if (uri.indexOf('data:video') === 0) {
      var v = document.createElement('video');
      v.src = uri;
      v.setAttribute('playsinline', '');
      tela.appendChild(v);
      return v;
    }
    return new Audio(uri);
  }
  function stopMedium(m) {
    if (!m) return;
    m.pause();
    if (m.parentNode) m.parentNode.removeChild(m);
  }
  function stopSlideMedia() { stopMedium(midiaSlide); midiaSlide = null; if (cortar) cortar(); }
  // Plays a medium; the promise ends with it, when it fails, or when a key cuts it.
  function playMedium(index, wait) {
    midiaSlide = mediaElement(index);
    var m = midiaSlide;
    var started = m.play();
    if (!wait) { if (started && started.catch) started.catch(function () {}); return Promise.resolve(); }
    return new Promise(function (done) {
      var end = function () { cortar = null; done(); };
      cortar = end;
      m.addEventListener('ended', end);
      m.addEventListener('error', end);
      if (started && started.catch) started.catch(end);
    }).then(function () { if (midiaSlide === m) { stopMedium(m); midiaSlide = null; } });
  }

  // ---- slides
  function positionClasses(name) {
    var u = upper(name);
    return (u.indexOf('ESQUERDA') >= 0 ? 'esq' : u.indexOf('DIREITA') >= 0 ? 'dir' : 'mh') + ' ' +
           (u.indexOf('CIMA') >= 0 ? 'cim' : u.indexOf('BAIXO') >= 0 ? 'bai' : 'mv');
  }
  function setPicture(img, index, description) {
    img.alt = description;
    if (index === null || index === undefined) { img.hidden = true; img.removeAttribute('src'); return; }
    img.src = M[index];
    img.hidden = false;
  }
  function drawSlide(P, s) {
    clearScreen();
    tela.hidden = false;
    tela.style.background = P.corFundo || '#000000';
    var fundo = P.fundo !== null ? P.fundo : G.fundo;
    setPicture(telaFundo, fundo, '');
    // A picture is described by its slide's title; one without a title is decoration.
    setPicture(telaFigura, s ? s.figura : null, s ? trim(substituteAll(s.titulo || '')) : '');
    if (s) telaFigura.className = positionClasses(s.posFigura || 'direita');
    telaTexto.textContent = '';
    var lines = s ? s.texto : [];
    while (lines.length && lines[lines.length - 1] === '') lines = lines.slice(0, -1);
    lines.forEach(function (t) {
      var p = document.createElement('p');
      p.textContent = substituteAll(t);
      telaTexto.appendChild(p);
    });
    telaTexto.className = positionClasses(s && s.posTexto ? s.posTexto : (s && s.temFigura ? 'esquerda' : 'centro'));
    var letter = P.corLetra || '#ffffff';
    telaTexto.style.color = letter;
    telaTexto.style.background = textBacking(letter, P.corFundo, fundo !== null && fundo !== undefined);
    telaTexto.style.fontFamily = G.fonte.face + ', Arial, sans-serif';
    // Points of the game's font as a share of the reader's own text size, so
    // that the browser's zoom and text size reach the slide.
    telaTexto.style.fontSize = (Math.max(8, Math.min(72, G.fonte.tamanho || 12)) / 12).toFixed(3) + 'rem';
    telaTexto.style.fontWeight = G.fonte.negrito ? '700' : '400';
  }
  function speakSlide(s, out) {
    var phrase = '';
    s.texto.forEach(function (t) {
      if (t === '') { out(phrase); phrase = ''; return; }
      phrase += (phrase ? ' ' : '') + substituteAll(t);
    });
    out(phrase);
  }
  function whenQuiet(my, then) {
    if (my !== vez) return;
    if (speaking()) { setTimeout(function () { whenQuiet(my, then); }, 100); return; }
    then();
  }
  function present(a) {
    var P = L[cur], last = P.slides.length, my = ++vez;
    slide = a;
    fase = 'slide';
    silence();
    stopSlideMedia();
    var where = P.nome + ', slide ' + a + ' de ' + last;
    if (a < 1 || a > last) {
      drawSlide(P, null);
      controls(where, 'Esc termina o jogo.', ['sair']);
      beep(); jogo.focus(); return;
    }
    var s = P.slides[a - 1];
    drawSlide(P, s);
    var isLast = a === last;
    if (s && trim(s.titulo)) where += ': ' + trim(substituteAll(s.titulo));
    controls(where, isLast ?
      'Escreva a resposta e aperte Enter ou o botão Responder. Page Up volta ao slide anterior; Esc termina o jogo.' :
      'Enter, Page Down ou o botão Continuar passa ao slide seguinte; Page Up volta; Esc termina o jogo.',
      (a > 1 ? ['voltar'] : []).concat(isLast ? ['sair'] : ['continuar', 'sair']));
    areaResposta.hidden = !isLast;
    if (isLast) { resposta.value = ''; resposta.focus(); } else { jogo.focus(); }
    var pieces = s ? s.midias.filter(function (m) { return m !== null; }) : [];
    var chain = Promise.resolve();
    pieces.forEach(function (m, i) {
      chain = chain.then(function () {
        if (my !== vez) return;
        return playMedium(m, i + 1 < pieces.length || s.espera);
      });
    });
    chain.then(function () {
      if (my !== vez || !s) return;
      // A silent slide's text still reaches the log, without the page's voice.
      speakSlide(s, s.fala && G.narrando ? say : note);
      if (s.auto && !isLast) whenQuiet(my, function () { present(a + 1); });
    });
  }

  // ---- the play loop
  // ---- progress, kept so that a pupil who leaves can go on later
  var chaveProgresso = 'ludivar-progresso:' + JSON.stringify([G.nome, G.autor, G.versao, numLugares]);
  function saveProgress() {
    store(chaveProgresso, { lugar: cur, ultimo: ultimo, pontos: pontos, vars: vars, cats: cats });
  }
  function isCount(n) { return typeof n === 'number' && isFinite(n) && Math.floor(n) === n; }
  // What the storage gives back is checked as untrusted: another page of the
  // same origin may have written anything there.
  function savedProgress() {
    var p = load(chaveProgresso);
    if (!p || typeof p !== 'object' || !isCount(p.lugar) || p.lugar < 2 || p.lugar > numLugares || !L[p.lugar] ||
        !isCount(p.pontos) || !isCount(p.ultimo)) return null;
    return p;
  }
  function restore(p) {
    cur = p.lugar; ultimo = p.ultimo; pontos = p.pontos;
    if (p.vars && typeof p.vars === 'object')
      ['LUGAR', 'RESPOSTA', 'STATUS'].forEach(function (k) { if (typeof p.vars[k] === 'string') vars[k] = p.vars[k]; });
    if (Array.isArray(p.cats)) p.cats.forEach(function (c) {
      var cat = c && typeof c.nome === 'string' ? findCategory(c.nome) : null;
      if (!cat) return;
      if (typeof c.proximo === 'string') cat.proximo = c.proximo;
      if (isCount(c.limite)) cat.limite = c.limite;
      if (isCount(c.refs)) cat.refs = c.refs;
      if (Array.isArray(c.lugares) && c.lugares.length === cat.lugares.length &&
          c.lugares.every(function (n) { return cat.lugares.indexOf(n) >= 0; })) cat.lugares = c.lugares.slice();
    });
    showScore();
  }

  function arrive() {
    if (cur < 1 || cur > numLugares) return endOfGame();
    var P = L[cur];
    if (!P) { beep(); return afterAnswer(''); }
    saveProgress();
    pontos += P.pontos;
    showScore();
    vars.LUGAR = P.nome;
    stopMedium(midiaLugar);
    midiaLugar = null;
    if (P.midia !== null) { midiaLugar = mediaElement(P.midia); midiaLugar.play().catch(function () {}); }
    present(1);
  }
  function leavePlace() { stopSlideMedia(); stopMedium(midiaLugar); midiaLugar = null; }
  function afterAnswer(answer) {
    leavePlace();
    vars.RESPOSTA = trim(answer);
    var P = L[cur];
    if (P && P.terminador) return endOfGame();
    ultimo = cur;
    var avisos = [];
    cur = P ? chooseNext(P, answer, avisos) : cur + 1;
    notices(avisos, function () {
      if (cur === -1) return badDestination();
      if (cur > numLugares) return endOfGame();
      arrive();
    });
  }
  function badDestination() {
    var lines = [T.LUPRGINC, (L[ultimo] ? L[ultimo].nome : '') + ' -- ' + destino];
    writeBox(lines.concat([T.LUAPTENT]));
    lines.forEach(say);
    say(T.LUAPTENT);
    waitEnter(endOfGame);
  }
  function endOfGame() {
    leavePlace();
    store(chaveProgresso, null);
    var lines = [T.LUFIMJOG, 'Pontos: ' + pontos];
    writeBox(lines.concat([T.LUAPTENT]));
    lines.forEach(say);
    say(T.LUAPTENT);
    fase = 'fim';
    controls('Fim do jogo', 'Aperte Enter ou o botão Continuar para voltar ao começo.', ['continuar']);
  }
  function askEnd() {
    leavePlace();
    writeBox([T.LUCNFFIM]);
    say(T.LUCNFFIM);
    fase = 'confirma';
    controls('Confirma fim?', 'S ou o botão Sim termina o jogo; N ou o botão Não volta ao lugar.', ['sim', 'nao']);
  }
  function titleCard() {
    var lines = [];
    if (G.precisaPrograma)
      lines.push('Este jogo tem um programa, que só o Ludivar executa. Aqui os lugares são jogados sem o programa.');
    var card = [G.nome, T.LUAUTOR + G.autor, T.LUVERSAO + G.versao]
      .concat(G.comentarios.slice(0, G.numComentarios).filter(function (c) { return c !== ''; }));
    writeBox(lines.concat(card, [T.LUAPTENT]));
    lines.forEach(say);
    if (G.narrando) card.forEach(say);
    say(T.LUAPTENT);
    fase = 'capa';
    controls('Apresentação do jogo', 'Aperte Enter ou o botão Continuar para jogar.', ['continuar']);
  }
  var avisosInicio = [];
  function startPlay() {
    pontos = 0; showScore();
    cur = 1; ultimo = 1;
    avisosInicio = [];
    buildCategories(avisosInicio);
    if (savedProgress()) {
      writeBox(['Continuar de onde parou? S/N']);
      say('Continuar de onde parou? S/N');
      fase = 'retomar';
      controls('Continuar de onde parou?', 'S ou o botão Sim continua de onde parou; N ou o botão Não começa do início.',
               ['sim', 'nao']);
      return;
    }
    notices(avisosInicio, arrive);
  }
  function resume(yes) {
    var p = savedProgress();
    if (yes && p) restore(p); else store(chaveProgresso, null);
    notices(avisosInicio, arrive);
  }
  var ajudaInicio = ajuda.textContent;
  function backToStart() {
    clearScreen();
    fase = 'inicio';
    controls('Início', ajudaInicio, ['continuar'], 'Começar');
    jogo.focus();
  }

  // ---- keys: the same as Ludivar's where a browser lets a page have them.
  // Each handler says whether the key meant something; only then is it taken.
  function onSlideKey(k, inAnswer) {
    var P = L[cur], last = P.slides.length;
    if (k.length !== 1 && !/^(Enter|Escape|Home|End|PageUp|PageDown|Backspace|Arrow(Left|Right|Up|Down))$/.test(k))
      return false;  // Tab, F5 and the like are the browser's
    if (cortar && midiaSlide) { cortar(); return true; }  // a key cuts the medium, as in Ludivar
    if (k === 'Escape') { askEnd(); return true; }
    if (slide < 1 || slide > last) { beep(); return true; }
    if (inAnswer) {
      if (k === 'Enter') { afterAnswer(resposta.value); return true; }
      if (k === 'PageUp') { if (slide <= 1) beep(); else present(slide - 1); return true; }
      if (k === 'PageDown') { beep(); return true; }
      return false;  // the line editor's own keys
    }
    switch (k) {
      case 'Home': present(1); return true;
      case 'PageUp': case 'ArrowLeft': case 'Backspace':
        if (slide <= 1) beep(); else present(slide - 1);
        return true;
      case 'PageDown': case 'ArrowRight':
        if (slide >= last) beep(); else present(slide + 1);
        return true;
      case 'End': present(last); return true;
      case 'Enter': case ' ':
        if (slide >= last) { afterAnswer(resposta.value); return true; }  // Enter alone answers
        present(slide + 1);
        return true;
    }
    if (k.length === 1 && slide === last) { resposta.focus(); return false; }
    if (k.length === 1 || k === 'ArrowUp' || k === 'ArrowDown') { present(slide); return true; }
    return false;
  }
  function start() {
    checkVoices(true);
    say('Aperte F2 para ligar ou desligar a voz desta página.');
    titleCard();
  }
  // One step of the game, from a key or a button; true when `k` meant something.
  function step(k, inAnswer) {
    switch (fase) {
      case 'inicio': if (k !== 'Enter') return false; start(); return true;
      case 'capa': if (k !== 'Enter') return false; startPlay(); return true;
      case 'enter': if (k !== 'Enter') return false; var f = aoEnter; aoEnter = null; f(); return true;
      case 'retomar': case 'confirma':
        // Any letter answers, as Ludivar's question does; S is yes.
        if (k.length !== 1 && k !== 'Enter' && k !== 'Escape') return false;
        var yes = k === 's' || k === 'S';
        if (k.length === 1) { caixa.firstChild.appendChild(document.createTextNode(' ' + k.toUpperCase())); say(k); }
        if (fase === 'retomar') resume(yes);
        else if (yes) endOfGame();
        else present(1);
        return true;
      case 'fim': if (k !== 'Enter') return false; backToStart(); return true;
      case 'slide': return onSlideKey(k, inAnswer);
    }
    return false;
  }
  document.addEventListener('keydown', function (e) {
    var k = e.key, t = e.target;
    if (k === 'Shift' || k === 'Control' || k === 'Alt' || k === 'Meta' || k === 'CapsLock') return;
    if (k === 'F2' && !e.ctrlKey && !e.altKey && !e.metaKey) {
      e.preventDefault();
      silence();
      setVoice(!voz);
      return;
    }
    // Keys with Ctrl, Alt or Meta are the browser's (zoom, address bar, history),
    // and a button or the speed control keeps its own keys.
    if (e.ctrlKey || e.altKey || e.metaKey || e.isComposing) return;
    if (t !== jogo && t !== resposta && t !== document.body && t !== document.documentElement) return;
    silence();  // a key cuts speech at once
    if (step(k, t === resposta)) e.preventDefault();
  });
  function button(name, key) {
    botao[name].addEventListener('click', function () { silence(); step(key, false); });
  }
  button('continuar', 'Enter');
  button('voltar', 'PageUp');
  button('sair', 'Escape');
  button('sim', 's');
  button('nao', 'n');
  areaResposta.addEventListener('submit', function (e) {
    e.preventDefault();
    silence();
    step('Enter', true);
  });
  // The line editor's echo: each letter as it is typed, each word as it ends.
  resposta.addEventListener('input', function (e) {
    if (e.inputType !== 'insertText' || !e.data) return;
    var c = e.data.charAt(e.data.length - 1);
    if (!/[\s.,;:!?]/.test(c)) { speakOnly(e.data.length === 1 ? c.toLowerCase() : e.data); return; }
    var before = resposta.value.slice(0, resposta.selectionStart - 1).split(/[\s.,;:!?]/).pop();
    speakOnly(before || (c === ' ' ? 'espaço' : c));
  });
  window.ludivarPage = { state: function () { return { fase: fase, lugar: cur, slide: slide, pontos: pontos }; } };
  jogo.focus();
})();
)JS";

}  // namespace web
