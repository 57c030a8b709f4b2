import sys


def main():
    n = int(sys.argv[1])
    grades = {"A": 0, "B": 0, "C": 0, "D": 0}
    total = almost = wrong = 0
    for pupil in range(1, n + 1):
        right = 0
        level = pupil % 5
        for a in range(1, 11):
            for b in range(1, 11):
                correct = a * b
                t = (pupil * 7 + a * 3 + b * 5) % 13
                answer = correct
                if t < level:
                    if t == 0:
                        answer += 1
                    elif t == 1:
                        answer = a + b
                    elif t == 2:
                        answer = correct - a
                    elif t == 3:
                        answer = correct + a
                if answer == correct:
                    right += 1
                elif answer == correct + 1:
                    almost += 1
                else:
                    wrong += 1
        if right >= 90:
            grades["A"] += 1
        elif right >= 80:
            grades["B"] += 1
        elif right >= 70:
            grades["C"] += 1
        else:
            grades["D"] += 1
        total += right
    print(grades["A"], grades["B"], grades["C"], grades["D"], total, almost, wrong)


main()
