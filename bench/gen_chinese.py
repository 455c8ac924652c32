#!/usr/bin/env python3
"""A Chinese-like corpus for the Unicode rule's benchmark: words of one to four common
Han characters drawn from a Zipf vocabulary, sentences without spaces, the full-width
comma and full stop between clauses, a line break every few sentences.

    gen_chinese.py [MEGABYTES] [SEED] > zh.txt      (default 24 MB, seed 1)
"""
import itertools
import random
import sys

def main():
    megabytes = float(sys.argv[1]) if len(sys.argv) > 1 else 24
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    # The 3,500 most common characters lie mostly in the first part of the block.
    chars = [chr(c) for c in range(0x4E00, 0x4E00 + 3500)]
    vocab = []
    for _ in range(60000):
        n = rng.choices([1, 2, 3, 4], weights=[25, 55, 12, 8])[0]
        vocab.append("".join(rng.choice(chars) for _ in range(n)))
    cumulative = list(itertools.accumulate(1.0 / (r + 1) for r in range(len(vocab))))
    target = int(megabytes * 1e6)
    out = sys.stdout
    written = 0
    while written < target:
        sentence = []
        for clause in range(rng.randint(1, 3)):
            words = rng.choices(vocab, cum_weights=cumulative, k=rng.randint(3, 12))
            sentence.append("".join(words))
        text = "，".join(sentence) + "。"
        if rng.random() < 0.2:
            text += "\n"
        out.write(text)
        written += len(text.encode("utf-8"))

main()
