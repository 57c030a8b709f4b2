import sys


def main():
    n = int(sys.argv[1])
    size = 30
    seed = 4321
    check = 0
    out_of_order = 0
    for _ in range(n):
        v = []
        for _ in range(size):
            seed = (seed * 171 + 11) % 30269
            v.append(seed // 30)
        # insertion sort, written out: the same work the other versions do
        for i in range(1, size):
            key = v[i]
            j = i - 1
            while j >= 0 and v[j] > key:
                v[j + 1] = v[j]
                j -= 1
            v[j + 1] = key
        previous = 0
        for i, x in enumerate(v, 1):
            if x < previous:
                out_of_order += 1
            previous = x
            check += i * x
        check %= 1000000
    print(check, out_of_order)


main()
