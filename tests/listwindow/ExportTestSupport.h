// A list-window fixture for tests of the spreadsheet export: the workbooks go
// to a cache folder of the test's own, and the program that would open them is
// replaced by a list of the paths it was given.
#pragma once

#include "listwindow/ListWindowTestSupport.h"

#include "core/SpreadsheetExport.h"

#include <QDir>

namespace listtest {

class ExportTest : public ListWindowTest {
protected:
    void SetUp() override
    {
        m_oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", m_work.filePath(QStringLiteral("cache")).toUtf8());
        SetSpreadsheetOpener([this](const QString& path) {
            opened << path;
            return openerAnswer;
        });
        ListWindowTest::SetUp();
    }
    void TearDown() override
    {
        ListWindowTest::TearDown();
        SetSpreadsheetOpener(nullptr);
        qputenv("XDG_CACHE_HOME", m_oldCache);
    }
    // The workbooks in the export folder.
    static QStringList Exports()
    {
        QDir dir(SpreadsheetExportFolder());
        QStringList files;
        for (const QString& name : dir.entryList(QDir::Files))
            files << dir.filePath(name);
        return files;
    }

    QStringList opened;        // the workbooks handed to the program that opens them
    bool openerAnswer = true;  // whether that program "started"

private:
    QByteArray m_oldCache;
};

}  // namespace listtest
