# Draws words from a list (fixed sequence), counts their letters and their "a"s,
# reverses each word and counts the palindromes.
import sys

n = int(sys.argv[1])
words = "  casa arara  sol ovo mesa radar  livro reviver escola osso  ".split()
count = len(words)
seed = 777
letters = palin = a_count = 0
phrase = ""
for i in range(1, n + 1):
    seed = (seed * 75 + 74) % 65537
    w = words[seed % count]
    letters += len(w)
    rev = ""
    j = len(w)
    while j > 0:
        rev += w[j - 1]
        j -= 1
    if rev == w:
        palin += 1
    a_count += len(w) - len(w.replace("a", ""))
    if i > n - 5:
        phrase += rev.upper() + "-"
print(f"{count}/{letters}/{palin}/{a_count}/{phrase}")
