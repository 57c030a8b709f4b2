# Writes N lines "number;(number mod 1000) squared mod 1000", copies the file and reads
# the copy back, summing the values.
import os
import shutil
import sys

n = int(sys.argv[1])
errors = 0
try:
    with open("quadrados.txt", "w", newline="\r\n") as f:
        for i in range(1, n + 1):
            q = i % 1000
            q = q * q % 1000
            f.write(f"{i};{q}\n")
except OSError:
    errors += 1
shutil.copyfile("quadrados.txt", "copia.txt")
lines = 0
total = 0
with open("copia.txt") as f:
    for line in f:
        lines += 1
        total += int(line[line.find(";") + 1:])
os.remove("quadrados.txt")
os.remove("copia.txt")
print(f"{lines}/{total}/{errors}/1")
