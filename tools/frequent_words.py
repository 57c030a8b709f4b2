#!/usr/bin/env python3
"""Ranks the commonest Brazilian Portuguese words and records the quality of
their stressed e/o as espeak-ng (pt-br) reads them.

The counts come from Portuguese text found on this machine: the program's own
strings (src/), the demo game (data/demo), the pt_BR translations of installed
programs (/usr/share/locale/pt_BR, read with msgunfmt) and the Portuguese manual
pages (/usr/share/man/pt*).  Only words of the system's Brazilian word list count.

Writes
  data/voice/frequentes.txt  rank, word, count, espeak-ng's stressed vowel
  data/voice/frequentes-controle.txt  the words ranked next, the same columns (no entries)
  data/voice/frequentes-teste.txt  the words ranked after those, for a last check of rules
                                   tuned on the control list (no entries either)
  data/voice/frequentes-quarta.txt  (--fourth only) the words ranked after the third list, drawn
                                    once the rules were settled, to measure them on words nobody saw
  a generated block at the end of data/voice/portug.exc   (word=^ closed, word=' open)
  a generated block at the end of data/brisatts/portug.exc (PALAVRA=^| / PALAVRA='|)
Words listed in tools/phoncompare-known.txt keep our own reading; words with a
hand-written exception keep it too.

Usage: tools/frequent_words.py [--top N] [--control N] [--test N] [--check] [--test-only] [--fourth]
  --check      exit 1 when the files on disk differ from what would be written
  --test-only  keep frequentes.txt and frequentes-controle.txt as they are (the machine's texts
               change as programs come and go) and write only frequentes-teste.txt: the words
               ranked after as many as those two lists hold, less the words of either
  --fourth     keep the three lists as they are and write only frequentes-quarta.txt: the next
               --test words of the ranking after the last word of frequentes-teste.txt, less the
               words of any of the three lists
"""
import argparse
import collections
import glob
import gzip
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


def test_path():
    return os.path.join(ROOT, "data", "voice", "frequentes-teste.txt")


def test_listing(words, first_rank, counts, vowels):
    lines = ["# Palavras que seguem as de frequentes-controle.txt na mesma contagem, sem entrada",
             "# gerada e sem regra feita a partir delas: conferem as regras ajustadas no controle.",
             "# posição, palavra, ocorrências, vogal tônica do espeak-ng pt-br (E é, e ê, O ó, o ô)"]
    for rank, w in enumerate(words, first_rank):
        lines.append("%d\t%s\t%d\t%s" % (rank, w, counts.get(w, 0), vowels[w] or "-"))
    return "\n".join(lines) + "\n"


# Portuguese texts on this machine that the ranking above never reads: they top up the fourth
# list once the ranking runs out of words.
# The European Portuguese translations count only through words of the Brazilian word list.
UNREAD_TEXTS = ("/usr/share/locale/pt/LC_MESSAGES/*.mo", "/usr/share/locale/pt_PT/LC_MESSAGES/*.mo",
                "/usr/share/vim/vim*/lang/pt_BR/LC_MESSAGES/*.mo", "/usr/share/gnupg/help.pt_BR.txt",
                "/usr/lib/systemd/catalog/*.pt_BR.catalog", "/usr/share/speech-dispatcher/locale/pt_BR/*.dic")


def unread_texts():
    texts = []
    for pattern in UNREAD_TEXTS:
        for path in sorted(glob.glob(pattern)):
            if path.endswith(".mo"):
                try:
                    out = subprocess.run(["msgunfmt", path], capture_output=True, check=False).stdout
                except OSError:
                    continue
                texts.extend(re.findall(r'^msgstr(?:\[\d\])? "(.*)"$', out.decode("utf-8", errors="replace"), re.M))
            else:
                texts.append(read_text(path))
    return texts


def fourth_path():
    return os.path.join(ROOT, "data", "voice", "frequentes-quarta.txt")


def fourth_listing(ranked, counts, size, vocabulary):
    """The words after the third list's last one in the ranking, less those of the three lists;
    when the ranking runs out, the commonest words of texts it never read."""
    listed = [listed_words(os.path.join(ROOT, "data", "voice", n))
              for n in ("frequentes.txt", "frequentes-controle.txt", "frequentes-teste.txt")]
    have = set().union(*listed)
    position = {w: k for k, w in enumerate(ranked)}
    # The machine's texts change as programs come and go: start after the third list's last
    # word wherever it stands now, and skip whatever any list already holds.
    start = max((position[w] for w in listed[2] if w in position), default=len(ranked) - 1) + 1
    picked = [(k + 1, w, counts.get(w, 0)) for k, w in enumerate(ranked[start:], start) if w not in have][:size]
    have.update(w for _, w, _ in picked)
    unread = count_words(unread_texts(), vocabulary)
    more = [w for w, _ in sorted(unread.items(), key=lambda kv: (-kv[1], kv[0])) if w not in have and w not in counts]
    first_unread = len(ranked) + 1
    picked += [(k, w, unread[w]) for k, w in enumerate(more[:size - len(picked)], first_unread)]
    vowels = espeak_vowels([w for _, w, _ in picked])
    lines = ["# Palavras que seguem as de frequentes-teste.txt na mesma contagem, tiradas depois de",
             "# fechadas as regras: sem entrada e sem regra feita a partir delas. Acabada a contagem, seguem",
             "# da posição %d em diante as mais comuns de textos que ela não lê (UNREAD_TEXTS), com as" % first_unread,
             "# ocorrências nesses textos.",
             "# posição, palavra, ocorrências, vogal tônica do espeak-ng pt-br (E é, e ê, O ó, o ô)"]
    for rank, w, n in picked:
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
    ap.add_argument("--top", type=int, default=3000)
    ap.add_argument("--control", type=int, default=1500)
    ap.add_argument("--test", type=int, default=1500)
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--test-only", action="store_true")
    ap.add_argument("--fourth", action="store_true")
    args = ap.parse_args()

    vocabulary = {l.strip() for l in read_text(DICT).splitlines() if l.strip() and l.strip() == l.strip().lower()}
    program = count_words(program_texts(), vocabulary)
    counts = count_words(system_texts(), vocabulary)
    counts.update(program)
    ranked = [w for w, _ in sorted(counts.items(), key=lambda kv: (-kv[1], kv[0]))]
    chosen = ranked[:args.top]
    have = set(chosen)
    # The program's own words and the everyday forms come in however rare the corpus makes them.
    for w in sorted(program) + ALWAYS:
        if w not in have:
            have.add(w)
            chosen.append(w)
    # The next words of the ranking get no entry: they measure the rules on words nobody picked.
    unpicked = [w for w in ranked[args.top:] if w not in have]
    control = unpicked[:args.control]
    # Rules are tuned on the control list; this one is looked at only to check them.
    test = unpicked[args.control:args.control + args.test]
    if args.fourth:
        return 1 if write_outputs({fourth_path(): fourth_listing(ranked, counts, args.test, vocabulary)}, args.check) else 0
    if args.test_only:
        listed = [listed_words(os.path.join(ROOT, "data", "voice", n))
                  for n in ("frequentes.txt", "frequentes-controle.txt")]
        have = set(listed[0]) | set(listed[1])
        test = [w for w in ranked[len(listed[0]) + len(listed[1]):] if w not in have][:args.test]
        write_outputs({test_path(): test_listing(test, len(listed[0]) + len(listed[1]) + 1, counts,
                                                 espeak_vowels(test))}, args.check)
        return 0
    vowels = espeak_vowels(chosen + control + test)
    is_known = known_words()

    listing = ["# Palavras mais frequentes do português do Brasil, contadas por tools/frequent_words.py",
               "# nas mensagens e no jogo de demonstração do programa, nas traduções pt_BR de",
               "# /usr/share/locale e nas páginas de manual em português de /usr/share/man.",
               "# posição, palavra, ocorrências, vogal tônica do espeak-ng pt-br (E é, e ê, O ó, o ô)"]
    for rank, w in enumerate(chosen, 1):
        listing.append("%d\t%s\t%d\t%s" % (rank, w, counts.get(w, 0), vowels[w] or "-"))

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

    control_listing = ["# Palavras que seguem as de frequentes.txt na mesma contagem, sem entrada gerada:",
                       "# medem as regras em palavras que ninguém escolheu.",
                       "# posição, palavra, ocorrências, vogal tônica do espeak-ng pt-br (E é, e ê, O ó, o ô)"]
    for rank, w in enumerate(control, args.top + 1):
        control_listing.append("%d\t%s\t%d\t%s" % (rank, w, counts.get(w, 0), vowels[w] or "-"))

    outputs = {
        os.path.join(ROOT, "data", "voice", "frequentes-controle.txt"): "\n".join(control_listing) + "\n",
        test_path(): test_listing(test, args.top + len(control) + 1, counts, vowels),
        os.path.join(ROOT, "data", "voice", "frequentes.txt"): "\n".join(listing) + "\n",
        own_path: with_block(own_head, own_lines),
        brisa_path: with_block(brisa_head, brisa_lines),
    }
    if write_outputs(outputs, args.check):
        return 1
    if args.check:
        return 0
    print("frequent_words: %d words (%d ranked, corpus %d words), %d own-voice and %d engine entries"
          % (len(chosen), args.top, sum(counts.values()), len(own_lines), len(brisa_lines)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
