# A small calculating machine: the operation of each step is chosen by I mod 4.
import sys

acc = 1
reductions = 0


def reduce():
    global acc, reductions
    reductions += 1
    acc = acc % 100003


def op0(i):
    global acc
    acc = acc + i
    reduce()


def op1(i):
    global acc
    acc = acc * 3
    reduce()


def op2(i):
    global acc
    acc = acc + 100003 - i % 1000
    reduce()


def op3(i):
    global acc
    acc = acc // 2 + 7


ops = {"OP0": op0, "OP1": op1, "OP2": op2, "OP3": op3}
n = int(sys.argv[1])
for i in range(1, n + 1):
    ops["OP" + str(i % 4)](i)
print(f"{acc}/{reductions}")
