# Counts the letters of a text read N times; one counter per letter of the alphabet.
import sys

n = int(sys.argv[1])
alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
text = "O rato roeu a roupa do rei de Roma, e a rainha, com raiva, resolveu remendar.".upper()
counts = [0] * 27
for i in range(n):
    for c in text:
        k = alphabet.find(c) + 1
        if k > 0:
            counts[k] += 1
out = ""
for k in range(1, 27):
    if counts[k] > 0:
        out += alphabet[k - 1] + str(counts[k])
print(out)
