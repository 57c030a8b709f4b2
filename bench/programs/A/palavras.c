/* Draws words from a list (fixed sequence), counts their letters and their "a"s,
   reverses each word and counts the palindromes. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    char list[] = "  casa arara  sol ovo mesa radar  livro reviver escola osso  ";
    char *words[32];
    int count = 0;
    for (char *w = strtok(list, " "); w && count < 32; w = strtok(NULL, " ")) words[count++] = w;
    int seed = 777;
    int letters = 0, palin = 0, a_count = 0;
    char phrase[256] = "";
    for (int i = 1; i <= n; i++) {
        seed = (seed * 75 + 74) % 65537;
        const char *w = words[seed % count];
        int len = (int)strlen(w);
        letters += len;
        char rev[64];
        int r = 0;
        for (int j = len; j > 0; j--) rev[r++] = w[j - 1];
        rev[r] = '\0';
        if (strcmp(rev, w) == 0) palin++;
        for (const char *p = w; *p; p++)
            if (*p == 'a') a_count++;
        if (i > n - 5) {
            for (char *p = rev; *p; p++) *p = (char)toupper((unsigned char)*p);
            strcat(phrase, rev);
            strcat(phrase, "-");
        }
    }
    printf("%d/%d/%d/%d/%s\n", count, letters, palin, a_count, phrase);
    return 0;
}
