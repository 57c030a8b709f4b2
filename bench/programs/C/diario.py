import sys


def main():
    n = int(sys.argv[1])
    seed = 2024
    with open("diario.txt", "w", encoding="cp1252", newline="") as log:
        for i in range(1, n + 1):
            seed = (seed * 171 + 11) % 30269
            # one move every 7 seconds, from 7 o'clock
            s = (i * 7 + 25200) % 86400
            clock = f"{s // 3600:02d}:{s // 60 % 60:02d}:{s % 60:02d}"
            pupil = seed % 40 + 1
            level = i % 9 + 1
            luck = seed // 7 % 5
            if luck == 0:
                kind, points = "ERRO", 0
            elif luck == 1:
                kind, points = "DICA", 1
            else:
                kind, points = "ACERTO", level * luck
            log.write(f"{clock} aluno{pupil} {kind} fase {level} pontos {points}\r\n")

    read = errors = lunch = points_total = 0
    with open("diario.txt", encoding="cp1252", newline="") as log:
        for line in log:
            line = line.rstrip("\r\n")
            read += 1
            if " ERRO " in line:
                errors += 1
            if line.startswith("12:"):
                lunch += 1
            words = line.split()
            if words[2] == "ACERTO":
                points_total += int(words[6])
    print(read, errors, lunch, points_total)


main()
