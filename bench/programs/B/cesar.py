# Caesar cipher: enciphers and deciphers a sentence N times, the shift changing each time.
import sys

n = int(sys.argv[1])
alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ"
sentence = "  A ligeira raposa marrom salta sobre o cao preguicoso.  ".strip().upper()
right = 0
total = 0
ciphered = ""


def shift(text, by):
    out = ""
    for c in text:
        k = alpha.find(c) + 1
        if k > 0:
            c = alpha[k + by - 1]
        out += c
    return out


for i in range(1, n + 1):
    d = i % 25 + 1
    ciphered = shift(sentence, d)
    if shift(ciphered, 26 - d) == sentence:
        right += 1
    total += ciphered.find("Q") + 1
print(f"{right}/{total}/{ciphered.replace(' ', '_')}")
