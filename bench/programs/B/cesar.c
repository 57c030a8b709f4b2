/* Caesar cipher: enciphers and deciphers a sentence N times, the shift changing each time. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ";

static void shift(const char *text, int by, char *out) {
    for (; *text; text++) {
        const char *at = strchr(alpha, *text);
        *out++ = at && *at ? at[by] : *text;
    }
    *out = '\0';
}

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    char sentence[] = "A ligeira raposa marrom salta sobre o cao preguicoso.";
    for (char *p = sentence; *p; p++) *p = (char)toupper((unsigned char)*p);
    char ciphered[128] = "", back[128];
    int right = 0, total = 0;
    for (int i = 1; i <= n; i++) {
        int d = i % 25 + 1;
        shift(sentence, d, ciphered);
        shift(ciphered, 26 - d, back);
        if (strcmp(back, sentence) == 0) right++;
        const char *q = strchr(ciphered, 'Q');
        total += q ? (int)(q - ciphered) + 1 : 0;
    }
    for (char *p = ciphered; *p; p++)
        if (*p == ' ') *p = '_';
    printf("%d/%d/%s\n", right, total, ciphered);
    return 0;
}
