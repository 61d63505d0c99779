#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The predefined root handle of the per-protocol open commands.
constexpr uint32_t HKEY_CLASSES_ROOT = 0x80000000u;

// The buffer the program has always read values into, terminator included,
// counted in CP932 bytes.
constexpr int kValueBufferBytes = 256;

// One plain string value of the command store (Services::browserCommands), or
// the empty text when the key or value is missing, is not a plain string, does
// not fit the buffer or has no CP932 form. Each call reads afresh.
QString RegGetString(const uint32_t& hInKey, QString subkey, QString valname);

// The line shown before the start: the command followed directly by the address,
// or, when the command holds a %1, the command with the address in its place.
QString ComposeLine(const QString& command, const QString& address);

// The program and arguments that line stands for, with the address kept whole as
// it was given: it joins the argument the command ends in, follows as an argument
// of its own after a blank, or takes the place of each %1.
QStringList ComposeArguments(const QString& command, const QString& address);

// Looks the browser up, shows the line it will start, starts it and reports a
// failure as "<number> <description>". Pauses in message boxes: the calling
// window may be unloaded by the time this returns.
void BrowseURL(const QString& address);
