// Replays the committed fuzz corpus (seeds and every input that once found a
// fault) through the same targets the fuzzer runs, with no fuzzing engine.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "tools/fuzz/targets.h"

namespace {

QStringList corpusFiles(const QString& target) {
    QStringList folders{QStringLiteral(FENNICK_TEST_DATA "/fuzz/") + target};
    if (target == QStringLiteral("mime_message"))
        folders.append(QStringLiteral(FENNICK_TEST_DATA "/mail"));
    QStringList files;
    for (const QString& folder : folders)
        for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
            files.append(folder + u'/' + name);
    return files;
}

class CorpusReplay : public testing::TestWithParam<FuzzTargets::Named> {};

} // namespace

TEST_P(CorpusReplay, everyInputKeepsEveryProperty) {
    const QStringList files = corpusFiles(QLatin1StringView(GetParam().name));
    ASSERT_FALSE(files.isEmpty()) << "no corpus for " << GetParam().name;
    for (const QString& path : files) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray input = f.readAll();
        EXPECT_EQ(GetParam().run(input).toStdString(), "") << path.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, testing::ValuesIn(FuzzTargets::all().toVector()),
                         [](const auto& info) { return std::string(info.param.name); });
