import sys

WORDS = "arara casa Ana ônibus radar escola Reviver árvore ação ovo banana Salas rotor Socorram pião".split(" ")
VOWELS = "AEIOUÁÉÍÓÚÂÊÔÃÕÀ"


def main():
    n = int(sys.argv[1])
    palindromes = vowels_total = hangman = stars = 0
    for i in range(1, n + 1):
        word = WORDS[i % len(WORDS)]
        upper = word.upper()
        reversed_word = ""
        vowels = 0
        for p in range(len(upper) - 1, -1, -1):
            letter = upper[p]
            reversed_word += letter
            if letter in VOWELS:
                vowels += 1
        if reversed_word == upper:
            palindromes += 1
        vowels_total += vowels
        mask = upper
        for letter in VOWELS[:5]:
            mask = mask.replace(letter, "_")
        hangman += mask.find("_") + 1
        bar = word + ": "
        for _ in range(vowels):
            bar += "*"
        stars += len(bar)
    print(palindromes, vowels_total, hangman, stars)


main()
