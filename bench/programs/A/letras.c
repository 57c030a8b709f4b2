/* Counts the letters of a text read N times; one counter per letter of the alphabet. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    char text[] = "O rato roeu a roupa do rei de Roma, e a rainha, com raiva, resolveu remendar.";
    for (char *p = text; *p; p++) *p = (char)toupper((unsigned char)*p);
    size_t len = strlen(text);
    int counts[27] = {0};
    for (int i = 0; i < n; i++) {
        for (size_t p = 0; p < len; p++) {
            const char *at = strchr(alphabet, text[p]);
            if (at && *at) counts[at - alphabet + 1]++;
        }
    }
    for (int k = 1; k <= 26; k++)
        if (counts[k] > 0) printf("%c%d", alphabet[k - 1], counts[k]);
    printf("\n");
    return 0;
}
