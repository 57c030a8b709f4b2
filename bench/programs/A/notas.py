# Marks of N pupils, from a fixed sequence, sorted into grades A to E.
import sys

n = int(sys.argv[1])
seed = 12345
ca = cb = cc = cd = ce = 0
passed = 0
for i in range(n):
    seed = (seed * 75 + 74) % 65537
    mark = seed % 101
    if mark >= 90:
        ca += 1
    elif mark >= 75:
        cb += 1
    elif mark >= 60:
        cc += 1
    elif mark >= 40:
        cd += 1
    else:
        ce += 1
    if mark >= 60:
        passed += mark
print(f"{ca}/{cb}/{cc}/{cd}/{ce}/{passed}")
