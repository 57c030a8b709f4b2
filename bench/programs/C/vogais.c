#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The words are Windows-1252 bytes, as the game program holds them. */
static const char *words[] = {"arara", "casa", "Ana", "\xF4nibus", "radar", "escola", "Reviver", "\xE1rvore",
                              "a\xE7\xE3o", "ovo", "banana", "Salas", "rotor", "Socorram", "pi\xE3o"};
static const char vowels[] = "AEIOU\xC1\xC9\xCD\xD3\xDA\xC2\xCA\xD4\xC3\xD5\xC0";

/* Latin-1 upper case: a-z and the accented small letters, except the division sign. */
static unsigned char upper_latin(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 224 && c <= 254 && c != 247)) return (unsigned char)(c - 32);
    return c;
}

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long nwords = sizeof words / sizeof words[0];
    long palindromes = 0, vowels_total = 0, hangman = 0, stars = 0;
    char upper[64], reversed[64], mask[64], bar[128];
    for (long i = 1; i <= n; i++) {
        const char *word = words[i % nwords];
        size_t len = strlen(word);
        for (size_t k = 0; k <= len; k++) upper[k] = (char)upper_latin((unsigned char)word[k]);
        size_t r = 0;
        int count = 0;
        for (size_t p = len; p > 0; p--) {
            char letter = upper[p - 1];
            reversed[r++] = letter;
            if (letter != '\0' && strchr(vowels, letter)) count++;
        }
        reversed[r] = '\0';
        if (strcmp(reversed, upper) == 0) palindromes++;
        vowels_total += count;
        strcpy(mask, upper);
        for (char *m = mask; *m; m++)
            if (memchr(vowels, *m, 5)) *m = '_';
        char *first = strchr(mask, '_');
        hangman += first ? first - mask + 1 : 0;
        snprintf(bar, sizeof bar, "%s: ", word);
        size_t b = strlen(bar);
        for (int k = 0; k < count; k++) bar[b++] = '*';
        bar[b] = '\0';
        stars += (long)strlen(bar);
    }
    printf("%ld %ld %ld %ld\n", palindromes, vowels_total, hangman, stars);
    return 0;
}
