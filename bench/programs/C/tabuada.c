#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long ga = 0, gb = 0, gc = 0, gd = 0, total = 0, almost = 0, wrong = 0;
    for (long pupil = 1; pupil <= n; pupil++) {
        int right = 0;
        long level = pupil % 5;
        for (int a = 1; a <= 10; a++) {
            for (int b = 1; b <= 10; b++) {
                int correct = a * b;
                long t = (pupil * 7 + a * 3 + b * 5) % 13;
                int answer = correct;
                if (t < level) {
                    if (t == 0)
                        answer++;
                    else if (t == 1)
                        answer = a + b;
                    else if (t == 2)
                        answer = correct - a;
                    else if (t == 3)
                        answer = correct + a;
                }
                if (answer == correct)
                    right++;
                else if (answer == correct + 1)
                    almost++;
                else
                    wrong++;
            }
        }
        if (right >= 90) ga++;
        else if (right >= 80) gb++;
        else if (right >= 70) gc++;
        else gd++;
        total += right;
    }
    printf("%ld %ld %ld %ld %ld %ld %ld\n", ga, gb, gc, gd, total, almost, wrong);
    return 0;
}
