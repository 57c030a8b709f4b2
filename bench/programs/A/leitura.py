# Reads the marks file entrada.txt (lines "pupilI mark"): counts the lines,
# sums the marks and checks that the file has N lines.
import sys

n = int(sys.argv[1])
lines = 0
total = 0
with open("entrada.txt") as f:
    for line in f:
        lines += 1
        total += int(line.split()[1])
print(f"{lines}/{total}/{'sim' if lines == n else 'nao'}")
