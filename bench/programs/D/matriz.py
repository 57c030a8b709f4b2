# Potências de uma matriz 5x5, módulo 997: P = M^(N+1).
import sys

n = int(sys.argv[1])
m = [[0] * 6 for _ in range(6)]
for i in range(1, 6):
    for j in range(1, 6):
        m[i][j] = (i * 7 + j * j * 3 + i * j) % 10
p = [linha[:] for linha in m]
for vez in range(n):
    q = [[0] * 6 for _ in range(6)]
    for i in range(1, 6):
        for j in range(1, 6):
            s = 0
            for k in range(1, 6):
                s += p[i][k] * m[k][j]
            q[i][j] = s % 997
    p = q
traco = sum(p[i][i] for i in range(1, 6))
total = sum(p[i][j] for i in range(1, 6) for j in range(1, 6))
primeira = ",".join(str(p[1][j]) for j in range(1, 6))
print(f"traco={traco} total={total} linha1={primeira}")
