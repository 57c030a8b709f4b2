# Writes N lines of marks to a file (lines end in CR LF, as the game program's do).
import sys

n = int(sys.argv[1])
seed = 4242
total = 0
errors = 0
try:
    with open("notas.txt", "w", newline="\r\n") as f:
        for i in range(1, n + 1):
            seed = (seed * 75 + 74) % 65537
            mark = seed % 1000
            f.write(f"aluno{i} {mark}\n")
            total += mark
except OSError:
    errors += 1
print(f"{n}/{total}/{errors}")
