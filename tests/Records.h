#pragma once

// The 512-byte records of both data files (Bytes: QByteArray or std::string), fields of 100, 50,
// 18, 18, 300 and 26 bytes: a text space-padded, an empty or missing one zero bytes.

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

// A note as the notes window writes it.
template <class Bytes>
Bytes Note(const Bytes& title, const Bytes& comment) {
    return Record<Bytes>({title, " ", " ", " ", comment, " "});
}
