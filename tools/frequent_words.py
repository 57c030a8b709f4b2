#!/usr/bin/env python3
"""Ranks the commonest Brazilian Portuguese words and records the quality of
their stressed e/o as espeak-ng (pt-br) reads them.

Two rankings, from texts that never meet:
  the checked list  the program's own strings (src/), the demo game (data/demo), the pt_BR
                    translations of installed programs (/usr/share/locale/pt_BR, read with
                    msgunfmt), the Portuguese manual pages (/usr/share/man/pt*), and group T below;
  the prose list    group M below alone, to measure the voices on prose nobody tuned them on.
Only words of the system's Brazilian word list count.

The corpus groups were fixed before any figure was taken from them (paths under --corpus-root,
the packages installed with apt-get, or fetched with `apt-get download` and unpacked there with
`dpkg-deb -x`):
  group T  libreoffice-help-pt-br (2,561 help pages), gimp-help-pt-br (the GIMP manual),
           manpages-pt-br, libreoffice-l10n-pt-br (the office suite's messages)
  group M  debian-reference-pt-br, debian-edu-doc-pt-br (the bookworm manual; the bullseye one
           repeats it), debian-edu-doc-legacy-pt-br (the Audacity manual),
           ubuntu-packaging-guide-html-pt-br, focalinux-text (the Foca GNU/Linux guide) and
           fortunes-br (sayings, jokes and quotations)
Markup, scripts and code blocks are stripped; a paragraph counts once per group however many
pages repeat it (menus, headers), and only when most of its words are Brazilian Portuguese
(untranslated English paragraphs are left out).

Writes
  data/voice/frequentes.txt  rank, word, count, espeak-ng's stressed vowel
  a generated block at the end of data/voice/portug.exc   (word=^ closed, word=' open)
  a generated block at the end of data/brisatts/portug.exc (PALAVRA=^| / PALAVRA='|)
  data/voice/frequentes-prosa.txt  (--prose only) the commonest words of group M, the same columns
Words listed in tools/phoncompare-known.txt keep our own reading; words with a hand-written
exception keep it too.  The held-out lists frequentes-controle.txt, frequentes-teste.txt and
frequentes-quarta.txt (drawn by earlier versions of this tool from the ranking of the machine's
texts, next after the checked list of the day) are kept as they are: their words never get an
entry, so that they go on measuring the rules alone.

Usage: tools/frequent_words.py [--corpus-root DIR] [--min-count N] [--top N] [--check] [--stats]
                               [--prose [--prose-size N]]
  --min-count  the checked list keeps every ranked word met at least N times (2)
  --check      exit 1 when the files on disk differ from what would be written
  --prose      write only frequentes-prosa.txt
  --stats      print each group's size in words and the checked list's coverage, write nothing
"""
import argparse
import collections
import gettext
import glob
import gzip
import html
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DICT = "/usr/share/dict/brazilian"
BEGIN = "; --- palavras frequentes: gerado por tools/frequent_words.py, não editar à mão ---"
END = "; --- fim das palavras frequentes ---"

LETTERS = "a-záàâãéêíóôõúüç"
WORD_RE = re.compile("[%s]+" % LETTERS, re.IGNORECASE)

# Words a pupil hears all day whatever the corpus says.
ALWAYS = """
eu tu ele ela nós vós eles elas você vocês me te se nos vos lhe lhes mim ti si comigo contigo consigo conosco
o a os as um uma uns umas este esta estes estas isto esse essa esses essas isso aquele aquela aqueles aquelas aquilo
meu minha meus minhas teu tua teus tuas seu sua seus suas nosso nossa nossos nossas dele dela deles delas
do da dos das no na nos nas ao à aos às pelo pela pelos pelas num numa nuns numas dum duma neste nesta nisto
nesse nessa nisso naquele naquela naquilo deste desta disto desse dessa disso daquele daquela daquilo
nele nela neles nelas àquele àquela
ser sou és é somos sois são era eras éramos eram fui foi fomos foram seja sejam sendo sido serei será seremos serão
seria seriam fosse fossem for forem
estar estou estás está estamos estão estava estavam estive esteve estivemos estiveram esteja estejam estando estado
estarei estará estaria estivesse estiver
ter tenho tens tem temos têm tinha tinham tive teve tivemos tiveram tenha tenham tendo tido terei terá teria
tivesse tiver
ir vou vais vai vamos vão ia iam fui foi fomos foram vá vão indo ido irei irá iria
fazer faço fazes faz fazemos fazem fazia faziam fiz fez fizemos fizeram faça façam fazendo feito farei fará faria
fizesse fizer
poder posso podes pode podemos podem podia podiam pude pôde pudemos puderam possa possam podendo podido poderei
poderá poderia pudesse puder
todo toda todos todas sobre olha olhe olho volta mora escreve leva pega começa começo tecla dez nova novo novos novas
bolo fogo hoje pedra neve ideia jovens porco porca agora embora fora hora maior melhor menor pior
nove festa
""".split()


# Unstressed in running speech, however espeak-ng reads them alone.
CLITICS = set("por pelo pela pelos pelas com nem sem em o os e de do dos se nos me te que ou eu".split()) - {"pela", "pelo", "pelos", "pelas"}


def read_text(path):
    with open(path, "rb") as f:
        data = f.read()
    if path.endswith(".gz"):
        data = gzip.decompress(data)
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


def program_texts():
    """String literals of the program's sources and the demo game's files."""
    texts = []
    for path in sorted(glob.glob(os.path.join(ROOT, "src", "**", "*.cpp"), recursive=True)):
        texts.extend(re.findall(r'"((?:[^"\\\n]|\\.)*)"', read_text(path)))
    for path in sorted(glob.glob(os.path.join(ROOT, "data", "demo", "*"))):
        texts.append(read_text(path))
    return texts


def system_texts():
    texts = []
    for path in sorted(glob.glob("/usr/share/locale/pt_BR/LC_MESSAGES/*.mo")):
        try:
            out = subprocess.run(["msgunfmt", path], capture_output=True, check=False).stdout
        except OSError:
            continue
        po = out.decode("utf-8", errors="replace")
        texts.extend(m for m in re.findall(r'^msgstr(?:\[\d\])? "(.*)"$', po, re.M))
    for pattern in ("/usr/share/man/pt_BR/*/*", "/usr/share/man/pt/*/*"):
        for path in sorted(glob.glob(pattern)):
            if os.path.isfile(path):
                texts.append(re.sub(r"\\f[BIRP]|\\-|^\.[A-Za-z]+", " ", read_text(path), flags=re.M))
    return texts


def count_words(texts, vocabulary):
    counts = collections.Counter()
    for t in texts:
        for w in WORD_RE.findall(t):
            w = w.lower()
            # Lone letters are names of letters in the word list, not words.
            if w in vocabulary and (len(w) > 1 or w in "aoeéà"):
                counts[w] += 1
    return counts


def espeak_vowels(words):
    """word -> the stressed vowel of espeak-ng's pt-br reading ('E', 'e', 'O', 'o', 'a' ...)."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False, encoding="utf-8") as f:
        for w in words:
            f.write(w + ".\n")
        name = f.name
    try:
        out = subprocess.run(["espeak-ng", "-v", "pt-br", "-q", "-x", "-f", name],
                             capture_output=True, check=True).stdout.decode("utf-8", errors="replace")
    finally:
        os.unlink(name)
    lines = [l.strip() for l in out.splitlines() if l.strip()]
    if len(lines) != len(words):
        sys.exit("frequent_words: espeak-ng gave %d lines for %d words" % (len(lines), len(words)))
    result = {}
    for w, m in zip(words, lines):
        at = m.find("'")
        vowel = ""
        if at >= 0:
            for k in range(at + 1, len(m)):
                if m[k] in "aeiouEO6@":
                    vowel = m[k]
                    # "~" and a following N mark a nasal vowel (bom b'oN, ponto p'oNtU).
                    # so do m or n closing the syllable (tempo t'empU, sendo s'endU; not nh, n^).
                    # espeak-ng may glide first (sempre s'eImpRy, sendo s'eINdU).
                    nxt = m[k + 1:k + 4]
                    if nxt[:1] in ("I", "U") and nxt[1:2] in ("m", "n", "N"):
                        nxt = nxt[1:]
                    if nxt[:1] in ("~", "N") or (nxt[:1] in ("m", "n") and (len(nxt) < 2 or nxt[1] not in "aeiouEOIU6@^&y")):
                        vowel += "~"
                    break
        result[w] = vowel
    return result


def known_words():
    known, stems = set(), []
    path = os.path.join(ROOT, "tools", "phoncompare-known.txt")
    for line in read_text(path).splitlines():
        if not line or line.startswith("#"):
            continue
        w = line.split()[0]
        (stems.append(w[:-1]) if w.endswith("*") else known.add(w))
    return lambda w: w in known or any(w.startswith(s) for s in stems)


def hand_entries(path):
    """Keys of the hand-written part of an exceptions file (before the generated block)."""
    text = read_text(path)
    keys = set()
    for line in text.split(BEGIN)[0].splitlines():
        if "=" in line and not line.startswith(";"):
            keys.add(line.split("=")[0].strip().lower())
    return text.split(BEGIN)[0].rstrip("\n") + "\n", keys


def with_block(head, lines):
    return head + BEGIN + "\n" + "".join(l + "\n" for l in lines) + END + "\n"


def listed_words(path):
    """The words of a list this tool wrote (rank, word, ...)."""
    return [l.split("\t")[1] for l in read_text(path).splitlines() if l and not l.startswith("#")]


HELD_OUT = ("frequentes-controle.txt", "frequentes-teste.txt", "frequentes-quarta.txt")

GROUP_T = (
    ("libreoffice-help-pt-br", "usr/share/libreoffice/help/pt-BR/**/*.html"),
    ("gimp-help-pt-br", "usr/share/gimp/2.0/help/pt_BR/**/*.html"),
    ("manpages-pt-br", "usr/share/man/pt_BR/*/*"),
    ("libreoffice-l10n-pt-br", "usr/lib/libreoffice/program/resource/pt_BR/LC_MESSAGES/*.mo"),
)
GROUP_M = (
    ("debian-reference-pt-br", "usr/share/debian-reference/*.pt-br.html"),
    ("debian-edu-doc-pt-br", "usr/share/doc/debian-edu-doc-pt-br/debian-edu-bookworm-manual.html"),
    ("debian-edu-doc-legacy-pt-br", "usr/share/doc/debian-edu-doc-legacy-pt-br/audacity-manual.html"),
    ("ubuntu-packaging-guide-html-pt-br", "usr/share/doc/ubuntu-packaging-guide-html-pt-br/*.html"),
    ("focalinux-text", "usr/share/doc/focalinux/text/*/index.txt.gz"),
    ("fortunes-br", "usr/share/games/fortunes/brasil"),
)

# A paragraph counts when at least this share of its words is in the Brazilian word list:
# Portuguese prose stays well above it, English prose well below.
PORTUGUESE_SHARE = 0.6

BLOCK_TAGS = re.compile(r"<(?:/?(?:p|div|li|ul|ol|dl|dt|dd|td|th|tr|table|h[1-6]|title|br|hr|blockquote|section|"
                        r"article|header|footer|nav|caption|figcaption)\b)[^>]*>", re.I)
CODE_BLOCKS = re.compile(r"<(script|style|pre|code|kbd|samp|tt)\b.*?</\1\s*>", re.I | re.S)


def html_paragraphs(text):
    text = CODE_BLOCKS.sub(" ", text)
    text = re.sub(r"<!--.*?-->", " ", text, flags=re.S)
    text = BLOCK_TAGS.sub("\n\n", text)
    text = html.unescape(re.sub(r"<[^>]*>", " ", text))
    return [re.sub(r"\s+", " ", b).strip() for b in re.split(r"\n\s*\n", text)]


def man_paragraphs(text):
    text = re.sub(r"^\.(?:nf|EX)\b.*?^\.(?:fi|EE)\b", " ", text, flags=re.M | re.S)  # examples, not prose
    text = re.sub(r"\\f[BIRP]|\\f\(..|\\-|\\\(..|\\&|\\e", " ", text)
    text = re.sub(r"^\.(?:PP|P|LP|SH|SS|TP|IP|HP|sp|br)\b.*$", "\n\n", text, flags=re.M)
    text = re.sub(r"^\.[A-Za-z]+", " ", text, flags=re.M)
    text = re.sub(r"^'\\\".*$|^\.\\\".*$", " ", text, flags=re.M)
    return [re.sub(r"\s+", " ", b).strip() for b in re.split(r"\n\s*\n", text)]


def mo_strings(path):
    """Every translated message of a compiled catalogue, long ones whole."""
    with open(path, "rb") as f:
        try:
            catalog = gettext.GNUTranslations(f)._catalog
        except (OSError, UnicodeDecodeError):
            return []
    return [html.unescape(m) for k, m in catalog.items() if k and isinstance(m, str)]


def group_paths(group, root):
    for name, pattern in group:
        paths = sorted(p for p in glob.glob(os.path.join(root, pattern), recursive=True) if os.path.isfile(p))
        yield name, paths


def count_group(group, root, vocabulary, skip_paths=()):
    """Counts of the words of one group's Portuguese paragraphs, each distinct paragraph once;
    returns (counts, {package: words counted})."""
    counts, sizes, seen = collections.Counter(), {}, set()
    skip = {os.path.realpath(p) for p in skip_paths}
    for name, paths in group_paths(group, root):
        if not paths:
            sys.exit("frequent_words: nothing of %s under %s (install it or pass --corpus-root)" % (name, root))
        before = sum(counts.values())
        for path in paths:
            if os.path.realpath(path) in skip:
                continue
            if path.endswith(".mo"):
                blocks = mo_strings(path)
            else:
                text = read_text(path)
                if "/man/" in path:
                    blocks = man_paragraphs(text)
                elif path.endswith((".html", ".htm")):
                    blocks = html_paragraphs(text)
                else:  # plain text: paragraphs between blank lines, fortunes between lines of "%"
                    blocks = [re.sub(r"\s+", " ", b).strip() for b in re.split(r"\n\s*(?:%\s*)?\n", text)]
            for block in blocks:
                if not block or block in seen:
                    continue
                seen.add(block)
                words = [w.lower() for w in WORD_RE.findall(block)]
                if not words or sum(w in vocabulary for w in words) < PORTUGUESE_SHARE * len(words):
                    continue
                for w in words:
                    if w in vocabulary and (len(w) > 1 or w in "aoeéà"):
                        counts[w] += 1
        sizes[name] = sum(counts.values()) - before
    return counts, sizes


def listing_lines(header, rows, vowels):
    lines = list(header) + ["# posição, palavra, ocorrências, vogal tônica do espeak-ng pt-br (E é, e ê, O ó, o ô)"]
    for rank, w, n in rows:
        lines.append("%d\t%s\t%d\t%s" % (rank, w, n, vowels[w] or "-"))
    return "\n".join(lines) + "\n"


def write_outputs(outputs, check):
    """Writes each file whole (or, with check, names the stale ones); true when one is stale."""
    changed = [p for p, t in outputs.items() if not os.path.exists(p) or read_text(p) != t]
    if check:
        for p in changed:
            print("frequent_words: %s is out of date" % os.path.relpath(p, ROOT))
        return bool(changed)
    for p, t in outputs.items():
        with open(p + ".tmp", "w", encoding="utf-8", newline="\n") as f:
            f.write(t)
        os.replace(p + ".tmp", p)
    return False


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus-root", default="/")
    # A word met once is in the corpus by chance and its rank says nothing: the checked list
    # ends where words stop recurring.
    ap.add_argument("--min-count", type=int, default=2)
    ap.add_argument("--top", type=int, default=0, help="at most this many ranked words (0: no cap)")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--prose", action="store_true")
    ap.add_argument("--prose-size", type=int, default=3000)
    ap.add_argument("--stats", action="store_true")
    args = ap.parse_args()

    vocabulary = {l.strip() for l in read_text(DICT).splitlines() if l.strip() and l.strip() == l.strip().lower()}
    if args.prose:
        counts, sizes = count_group(GROUP_M, args.corpus_root, vocabulary)
        rows = [(k, w, n) for k, (w, n) in enumerate(sorted(counts.items(), key=lambda kv: (-kv[1], kv[0]))[:args.prose_size], 1)]
        header = ["# As palavras mais comuns do grupo M de tools/frequent_words.py, textos de que nem a lista",
                  "# conferida nem as regras tiraram nada: medem o que um aluno ouve. %d palavras contadas em:" %
                  sum(sizes.values()),
                  "# " + ", ".join("%s (%d)" % kv for kv in sizes.items()) + "."]
        text = listing_lines(header, rows, espeak_vowels([w for _, w, _ in rows]))
        return 1 if write_outputs({os.path.join(ROOT, "data", "voice", "frequentes-prosa.txt"): text}, args.check) else 0

    program = count_words(program_texts(), vocabulary)
    counts = count_words(system_texts(), vocabulary)
    counts.update(program)
    # The live manual pages are read above already; group T's copies of them are not counted twice.
    live_man = glob.glob("/usr/share/man/pt_BR/*/*") if os.path.realpath(args.corpus_root) == "/" else ()
    group_t, sizes = count_group(GROUP_T, args.corpus_root, vocabulary, live_man)
    machine_words = sum(counts.values())
    counts.update(group_t)
    held_out = set()
    for name in HELD_OUT:
        held_out.update(listed_words(os.path.join(ROOT, "data", "voice", name)))
    ranked = [w for w, _ in sorted(counts.items(), key=lambda kv: (-kv[1], kv[0])) if w not in held_out]
    chosen = [w for w in ranked if counts[w] >= args.min_count]
    if args.top:
        chosen = chosen[:args.top]
    top = len(chosen)
    have = set(chosen)
    # The program's own words and the everyday forms come in however rare the corpus makes them.
    for w in sorted(program) + ALWAYS:
        if w not in have and w not in held_out:
            have.add(w)
            chosen.append(w)
    if args.stats:
        total = sum(counts.values())
        print("machine texts and program %d words; group T %s" % (machine_words, sizes))
        for n in (3000, 5000, 8000, 10000, 12000, 15000, 20000):
            if n <= len(ranked):
                print("top %5d: last count %4d, covers %.2f%% of the running words" %
                      (n, counts[ranked[n - 1]], 100.0 * sum(counts[w] for w in ranked[:n]) / total))
        return 0
    vowels = espeak_vowels(chosen)
    is_known = known_words()

    header = ["# Palavras mais frequentes do português do Brasil, contadas por tools/frequent_words.py",
              "# nas mensagens e no jogo de demonstração do programa, nas traduções pt_BR de",
              "# /usr/share/locale, nas páginas de manual em português e nos textos do grupo T",
              "# (ajuda do LibreOffice e do GIMP, manpages-pt-br); %d palavras contadas." % sum(counts.values())]
    listing = listing_lines(header, [(k, w, counts.get(w, 0)) for k, w in enumerate(chosen, 1)], vowels)

    own_path = os.path.join(ROOT, "data", "voice", "portug.exc")
    brisa_path = os.path.join(ROOT, "data", "brisatts", "portug.exc")
    own_head, own_keys = hand_entries(own_path)
    brisa_head, brisa_keys = hand_entries(brisa_path)
    own_lines, brisa_lines = [], []
    for w in sorted(set(chosen)):
        v = vowels[w]
        # A written accent already says the quality; nasal vowels have none.
        if v not in ("E", "e", "O", "o") or is_known(w) or re.search("[áâãéêíóôõú]", w) or w in CLITICS:
            continue
        mark = "'" if v in "EO" else "^"
        if w not in own_keys:
            # The own voice looks words up as its normalizer writes them: ç is w.
            own_lines.append("%s=%s" % (w.replace("ç", "w").replace("à", "a`"), mark))
        if w not in brisa_keys:
            brisa_lines.append("%s=%s|" % (w.upper(), mark))

    outputs = {
        os.path.join(ROOT, "data", "voice", "frequentes.txt"): listing,
        own_path: with_block(own_head, own_lines),
        brisa_path: with_block(brisa_head, brisa_lines),
    }
    if write_outputs(outputs, args.check):
        return 1
    if args.check:
        return 0
    print("frequent_words: %d words (%d ranked, corpus %d words: machine texts %d, group T %s), "
          "%d own-voice and %d engine entries"
          % (len(chosen), top, sum(counts.values()), machine_words, sizes, len(own_lines), len(brisa_lines)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
