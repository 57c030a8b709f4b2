/* A small calculating machine: the operation of each step is chosen by I mod 4. */
#include <stdio.h>
#include <stdlib.h>

static int acc = 1, reductions = 0;

static void reduce(void) {
    reductions++;
    acc = acc % 100003;
}

static void op0(int i) { acc = acc + i; reduce(); }
static void op1(int i) { (void)i; acc = acc * 3; reduce(); }
static void op2(int i) { acc = acc + 100003 - i % 1000; reduce(); }
static void op3(int i) { (void)i; acc = acc / 2 + 7; }

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    void (*ops[4])(int) = {op0, op1, op2, op3};
    for (int i = 1; i <= n; i++) ops[i % 4](i);
    printf("%d/%d\n", acc, reductions);
    return 0;
}
