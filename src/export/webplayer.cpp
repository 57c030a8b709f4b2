// The player inside an exported page: the play loop and the slide presentation
// of Ludivar, in the browser.  What Ludivar speaks goes to a live region (for
// screen readers) and, unless turned off with F2, to the browser's own voice.
// Game texts reach the page only through textContent: they are never markup.
#include "export/webpage.h"

namespace web {

const char* const kPageStyle = R"CSS(
body { margin: 0; background: #101010; color: #ffffff; font-family: Verdana, Arial, sans-serif; }
main { max-width: 60rem; margin: 0 auto; padding: 0.5rem; }
h1 { font-size: 1.4rem; margin: 0.3rem 0; }
#jogo { outline: none; }
#jogo:focus-visible, #resposta:focus { outline: 3px solid #ffd700; }
#ajuda { font-size: 1.2rem; }
#tela { position: relative; width: 100%; aspect-ratio: 4 / 3; overflow: hidden; background: #000000; }
#tela[hidden] { display: none; }
#tela-fundo { position: absolute; left: 0; top: 0; width: 100%; height: 100%; }
#tela-figura { position: absolute; max-width: 60%; max-height: 60%; }
#tela-figura[hidden], #tela-fundo[hidden] { display: none; }
#tela video { position: absolute; left: 0; top: 0; width: 100%; height: 100%; }
#tela-texto { position: absolute; white-space: pre; line-height: 1.25; padding: 0.1em 0.2em; }
#tela-texto p { margin: 0; min-height: 1.25em; }
.esq { left: 4%; } .dir { right: 4%; } .mh { left: 50%; }
.cim { top: 4%; } .bai { bottom: 4%; } .mv { top: 50%; }
.mh.mv { transform: translate(-50%, -50%); } .mh:not(.mv) { transform: translateX(-50%); }
.mv:not(.mh) { transform: translateY(-50%); }
#caixa { background: #ffffff; padding: 1rem; }
#caixa div { background: #aa0000; color: #ffffff; padding: 1rem 2rem; font-size: 1.3rem; }
#caixa p { margin: 0.6rem 0; }
#area-resposta { margin-top: 0.5rem; font-size: 1.3rem; }
#resposta { font-size: 1.3rem; width: 70%; }
#placar { font-size: 1.2rem; }
#falas { font-size: 1rem; color: #e0e0e0; }
#falas p { margin: 0.2rem 0; }
.so-leitor { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0); }
)CSS";

const char* const kPlayerScript = R"JS('use strict';
(function () {
  var G = JSON.parse(document.getElementById('dados-jogo').textContent);
  var M = JSON.parse(document.getElementById('midias-jogo').textContent);
  var T = G.textos, L = G.lugares, numLugares = L.length - 1;
  function $(id) { return document.getElementById(id); }
  var jogo = $('jogo'), ajuda = $('ajuda'), tela = $('tela'), telaFundo = $('tela-fundo'),
      telaFigura = $('tela-figura'), telaTexto = $('tela-texto'), caixa = $('caixa'),
      areaResposta = $('area-resposta'), resposta = $('resposta'), placar = $('placar'), falas = $('falas');

  // ---- speech: the live region always, the page's own voice unless turned off
  var voz = true;
  function say(text) {
    text = String(text);
    if (!text.trim()) return;
    var p = document.createElement('p');
    p.textContent = text;
    falas.appendChild(p);
    while (falas.childNodes.length > 60) falas.removeChild(falas.firstChild);
    if (voz && window.speechSynthesis) {
      var u = new SpeechSynthesisUtterance(text);
      u.lang = 'pt-BR';
      window.speechSynthesis.speak(u);
    }
  }
  function silence() { if (window.speechSynthesis) window.speechSynthesis.cancel(); }
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
      out += (c >= 97 && c <= 122) || (c > 223 && c <= 255) ? String.fromCharCode(c - 32) : s.charAt(i);
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
  function writeBox(lines) {
    clearScreen();
    var div = document.createElement('div');
    lines.forEach(function (t) { var p = document.createElement('p'); p.textContent = t; div.appendChild(p); });
    caixa.appendChild(div);
    caixa.hidden = false;
    jogo.focus();
  }
  // A report that waits for Enter, then goes on.
  function waitEnter(then) { fase = 'enter'; aoEnter = then; }
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
  function setPicture(img, index) {
    if (index === null || index === undefined) { img.hidden = true; img.removeAttribute('src'); return; }
    img.src = M[index];
    img.hidden = false;
  }
  function drawSlide(P, s) {
    clearScreen();
    tela.hidden = false;
    tela.style.background = P.corFundo || '#000000';
    setPicture(telaFundo, P.fundo !== null ? P.fundo : G.fundo);
    setPicture(telaFigura, s ? s.figura : null);
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
    telaTexto.style.color = P.corLetra || '#ffffff';
    telaTexto.style.background = P.corFundo || 'transparent';
    telaTexto.style.fontFamily = G.fonte.face + ', Arial, sans-serif';
    telaTexto.style.fontSize = Math.max(8, Math.round(G.fonte.tamanho * 4 / 3)) + 'px';
    telaTexto.style.fontWeight = G.fonte.negrito ? '700' : '400';
  }
  function speakSlide(s) {
    var phrase = '';
    s.texto.forEach(function (t) {
      if (t === '') { say(phrase); phrase = ''; return; }
      phrase += (phrase ? ' ' : '') + substituteAll(t);
    });
    say(phrase);
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
    if (a < 1 || a > last) { drawSlide(P, null); beep(); jogo.focus(); return; }
    var s = P.slides[a - 1];
    drawSlide(P, s);
    var isLast = a === last;
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
      if (s.fala && G.narrando) speakSlide(s);
      if (s.auto && !isLast) whenQuiet(my, function () { present(a + 1); });
    });
  }

  // ---- the play loop
  function arrive() {
    if (cur < 1 || cur > numLugares) return endOfGame();
    var P = L[cur];
    if (!P) { beep(); return afterAnswer(''); }
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
    var lines = [T.LUFIMJOG, 'Pontos: ' + pontos];
    writeBox(lines.concat([T.LUAPTENT]));
    lines.forEach(say);
    say(T.LUAPTENT);
    fase = 'fim';
  }
  function askEnd() {
    leavePlace();
    writeBox([T.LUCNFFIM]);
    say(T.LUCNFFIM);
    fase = 'confirma';
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
  }
  function startPlay() {
    pontos = 0; showScore();
    cur = 1; ultimo = 1;
    var avisos = [];
    buildCategories(avisos);
    notices(avisos, arrive);
  }
  function backToStart() {
    clearScreen();
    ajuda.hidden = false;
    fase = 'inicio';
    jogo.focus();
  }

  // ---- keys: the same as Ludivar's where a browser lets a page have them
  function onSlideKey(e) {
    var P = L[cur], last = P.slides.length, k = e.key, inAnswer = e.target === resposta;
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
    if (k.length === 1 || /^(Arrow|F[0-9])/.test(k)) { present(slide); return true; }
    return false;
  }
  document.addEventListener('keydown', function (e) {
    var k = e.key;
    if (k === 'Shift' || k === 'Control' || k === 'Alt' || k === 'Meta' || k === 'CapsLock') return;
    silence();  // a key cuts speech at once
    if (k === 'F2') {
      e.preventDefault();
      voz = !voz;
      say(voz ? 'Voz da página ligada.' : 'Voz da página desligada.');
      return;
    }
    var handled = true;
    switch (fase) {
      case 'inicio':
        if (k !== 'Enter') { handled = false; break; }
        ajuda.hidden = true;
        say('Aperte F2 para ligar ou desligar a voz desta página.');
        titleCard();
        break;
      case 'capa': if (k === 'Enter') startPlay(); break;
      case 'enter': if (k === 'Enter') { var f = aoEnter; aoEnter = null; f(); } break;
      case 'confirma':
        if (k.length === 1) { caixa.firstChild.appendChild(document.createTextNode(' ' + k.toUpperCase())); say(k); }
        if (k === 's' || k === 'S') endOfGame(); else present(1);
        break;
      case 'fim': if (k === 'Enter') backToStart(); break;
      case 'slide': handled = onSlideKey(e); break;
    }
    if (handled) e.preventDefault();
  });
  areaResposta.addEventListener('submit', function (e) { e.preventDefault(); });
  window.ludivarPage = { state: function () { return { fase: fase, lugar: cur, slide: slide, pontos: pontos }; } };
  jogo.focus();
})();
)JS";

}  // namespace web
