#!/usr/bin/env python3
"""Agreement of the embedded engine's letter-to-sound with espeak-ng (pt-br).

usage: brisa_agreement.py WORDS ESPEAK_CACHE BRISAPHON_OUTPUT [--misses KIND]

WORDS: one word per line; ESPEAK_CACHE: `espeak-ng -v pt-br -q -x` of the same
words, one per line (each word followed by "." so that every word is its own
sentence); BRISAPHON_OUTPUT: what ludivar_brisaphon gives for the words.
Prints the share of words on which both agree: the stressed syllable (counted
from the end), the open or closed quality of a stressed e or o, and the reading
of x (as ch, as ks, or as s/z).
"""
import sys

ES_VOWELS = set("a&eEiIoOuUyjw")
MY_VOWELS = {"a", "a2", "@", "e", "ee", "en", "i", "in", "o", "oo", "on", "u", "un", "w", "y"}


def espeak_profile(t):
    t = t.replace(",", "").replace(";", "").replace("-", "")
    if "'" not in t:
        return None
    before, after = t.split("'", 1)
    # The stressed vowel, then the vowel groups after its own.
    i = 0
    while i < len(after) and after[i] not in ES_VOWELS:
        i += 1
    if i == len(after):
        return None
    stressed = after[i]
    nasal = i + 1 < len(after) and after[i + 1] == "~"
    groups, in_group = 0, True
    for c in after[i:]:
        if c in ES_VOWELS:
            if not in_group:
                groups += 1
            in_group = True
        elif c != "~":
            in_group = False
    t = t.replace("tS", "t")  # the ch of "tia" is not an x
    if "ks" in t:
        x = "ks"
    elif "S" in t:
        x = "ch"
    else:
        x = "s/z"
    return groups, (None if nasal else stressed), x


def brisa_profile(ph):
    toks = ph.split()
    idx = next((k for k, p in enumerate(toks) if p.startswith(">")), None)
    if idx is None:
        return None
    toks = [p.lstrip(">") for p in toks]
    stressed = toks[idx]
    groups, in_group = 0, True
    for p in toks[idx:]:
        if p in MY_VOWELS:
            if not in_group:
                groups += 1
            in_group = True
        else:
            in_group = False
    if any(toks[k] == "k" and toks[k + 1] == "s" for k in range(len(toks) - 1)):
        x = "ks"
    elif "x" in toks:
        x = "ch"
    else:
        x = "s/z"
    quality = {"e": "e", "ee": "E", "o": "o", "oo": "O"}.get(stressed)
    return groups, quality, x


def main():
    words = [w.rstrip("\n") for w in open(sys.argv[1], encoding="utf-8")]
    es = [l.strip() for l in open(sys.argv[2], encoding="utf-8")]
    mine = {}
    for line in open(sys.argv[3], encoding="utf-8"):
        w, _, ph = line.rstrip("\n").partition("\t")
        mine[w] = ph
    misses = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == "--misses" else None
    n = min(len(words), len(es))
    stress = [0, 0]
    quality = [0, 0]
    xread = [0, 0]
    for k in range(n):
        w = words[k]
        if w not in mine:
            continue
        e = espeak_profile(es[k])
        if e is None:
            continue
        m = brisa_profile(mine[w])
        same_stress = m is not None and m[0] == e[0]
        stress[0] += same_stress
        stress[1] += 1
        if misses == "stress" and not same_stress:
            print(w, es[k], mine[w], sep="\t")
        if same_stress and e[1] in ("e", "E", "o", "O") and m[1] is not None:
            quality[1] += 1
            quality[0] += m[1] == e[1]
            if misses == "quality" and m[1] != e[1]:
                print(w, es[k], mine[w], sep="\t")
        if w.count("x") == 1 and "ch" not in w:
            xread[1] += 1
            ok = m is not None and m[2] == e[2]
            xread[0] += ok
            if misses == "x" and not ok:
                print(w, es[k], mine[w], sep="\t")
    if misses:
        return
    for name, (a, b) in (("stress", stress), ("stressed e/o quality", quality), ("reading of x", xread)):
        print(f"{name}: {a}/{b} = {100.0 * a / max(b, 1):.1f}%")


main()
