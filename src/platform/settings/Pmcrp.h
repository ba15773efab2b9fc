#pragma once
// The ERP's byte cipher: three transformations of a byte buffer, done in place,
// keeping its length. pmDeProcess and pmSfDeProcess undo pmProcess. Bytes 1..255
// are substituted onto 1..255 under a fixed key; a zero byte stays zero, so the
// terminating zero of a buffer survives.

#include <QByteArray>

void pmProcess(QByteArray& buffer);
void pmDeProcess(QByteArray& buffer);
void pmSfDeProcess(QByteArray& buffer);
