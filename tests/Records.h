#pragma once

// The 512-byte records of both data files, for unit, fuzz and desktop tests alike (Bytes is
// QByteArray or std::string): six fields of 100, 50, 18, 18, 300 and 26 bytes. A text is
// space-padded to its field; an empty text, and each field after those given, is zero bytes.

#include <initializer_list>

template <class Bytes>
Bytes Record(std::initializer_list<Bytes> texts) {
    Bytes record;
    auto text = texts.begin();
    for (int width : {100, 50, 18, 18, 300, 26}) {
        const Bytes given = text == texts.end() ? Bytes() : *text++;
        record += given.size() ? given + Bytes(width - given.size(), ' ') : Bytes(width, '\0');
    }
    return record;
}

// A note as the notes window writes it: title and comment, the other fields blank.
template <class Bytes>
Bytes Note(const Bytes& title, const Bytes& comment) {
    return Record<Bytes>({title, " ", " ", " ", comment, " "});
}
