#pragma once
// The help tests: the viewer's calls recorded (and, when asked, carried out),
// message boxes recorded, and a machine-wide settings store of the test's own.

#include "core/SessionTestSupport.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/settings/RegistryStore.h"
#include "platform/help/HtmlHelpApi.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace helptest {

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        RegistryStore::SetDirectory(m_dir.filePath(QStringLiteral("user")));
        RegistryStore::SetMachineDirectory(m_dir.filePath(QStringLiteral("machine")));
        SetHtmlHelpObserver([this](const HtmlHelpCall& call) {
            calls.push_back(call);
            return passToViewer;
        });
    }
    void TearDown() override
    {
        SetHtmlHelpObserver(nullptr);
        SetHelpComponentRegistration(nullptr);
        RegistryStore::SetDirectory(QString());
        RegistryStore::SetMachineDirectory(QString());
    }
    // Makes a file (and its folders) under the test's folder; returns its path.
    QString MakeFile(const QString& relative, const QByteArray& content = "x")
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    QStringList Prompts() const
    {
        QStringList out;
        for (const auto& b : seams.boxes)
            out << b.prompt;
        return out;
    }
    // The program's own help file, built beside the test program.
    static QString ShippedHelp() { return App().path + QStringLiteral("/quillon.chm"); }

    sessiontest::Seams seams;
    std::vector<HtmlHelpCall> calls;
    bool passToViewer = false;
    QTemporaryDir m_dir;
};

}  // namespace helptest
