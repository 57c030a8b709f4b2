import random
import sys


def main():
    n = int(sys.argv[1])
    random.seed()
    good = bad = numbers = 0
    for _ in range(n):
        drawn = []
        drawn_sum = 0
        while len(drawn) < 6:
            d = random.randrange(60) + 1
            if d in drawn:
                continue
            drawn.append(d)
            drawn_sum += d
        # bubble sort, written out: the same work the other versions do
        swapped = True
        while swapped:
            swapped = False
            for j in range(5):
                if drawn[j] > drawn[j + 1]:
                    drawn[j], drawn[j + 1] = drawn[j + 1], drawn[j]
                    swapped = True
        ok = True
        previous = 0
        total = 0
        for d in drawn:
            if d <= previous or d > 60:
                ok = False
            total += d
            previous = d
        if total != drawn_sum:
            ok = False
        if ok:
            good += 1
        else:
            bad += 1
        numbers += 6
    print(good, bad, numbers)


main()
