# Frequency of each digit in the numbers of a fixed sequence.
import sys

n = int(sys.argv[1])
seed = 2024
table = [0] * 10
i = 0
while i < n:
    seed = (seed * 75 + 74) % 65537
    x = seed
    for j in range(5):
        q = x // 10
        table[x - q * 10] += 1
        x = q
        if x == 0:
            break
    i += 1
most = 0
best = -1
out = ""
for k in range(10):
    if table[k] - best > 0:
        best = table[k]
        most = k
    out += f"{table[k]},"
print(f"{out}{most}")
