#include "ui/settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace {

const QString kVoicingKey = QStringLiteral("voicing");
const QString kFourPartValue = QStringLiteral("four-part");
const QString kBlockValue = QStringLiteral("block");
const QString kTempoKey = QStringLiteral("tempo");
const QString kLessonKey = QStringLiteral("practice/lesson");
const QString kFocusWeakKey = QStringLiteral("practice/weak");
const QString kMidiInputKey = QStringLiteral("midi-input");
const QString kScorePositionKey = QStringLiteral("score/position");
const QString kScoreSizeKey = QStringLiteral("score/size");

// The file QSettings keeps for the organisation and program "Kadenzo" in the native format.
QString SettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kadenzo/Kadenzo.conf");
}

// A file that is missing will be made; one that is there must be a regular file, because
// reading a pipe would wait for a writer and a device could give anything.
bool MayUse(const QString& Path) {
    const QFileInfo File(Path);
    return !File.exists() || File.isFile();
}

TSettings ReadSettings(const QSettings& File) {
    TSettings Read;
    Read.Voicing =
        File.value(kVoicingKey).toString() == kFourPartValue ? TVoicing::FourPart : TVoicing::Block;
    Read.Tempo = std::clamp(File.value(kTempoKey, Read.Tempo).toInt(), TBeatPlayer::kMinTempo,
                            TBeatPlayer::kMaxTempo);
    Read.Lesson =
        File.value(kLessonKey, QString::fromStdString(Read.Lesson)).toString().toStdString();
    Read.FocusWeak = File.value(kFocusWeakKey, false).toBool();
    Read.MidiInput = File.value(kMidiInputKey).toString().toStdString();
    if (File.contains(kScorePositionKey) && File.contains(kScoreSizeKey)) {
        Read.ScoreWindow =
            QRect(File.value(kScorePositionKey).toPoint(), File.value(kScoreSizeKey).toSize());
    }
    return Read;
}

void WriteSettings(QSettings& File, const TSettings& Written) {
    File.setValue(kVoicingKey,
                  Written.Voicing == TVoicing::FourPart ? kFourPartValue : kBlockValue);
    File.setValue(kTempoKey, Written.Tempo);
    File.setValue(kLessonKey, QString::fromStdString(Written.Lesson));
    File.setValue(kFocusWeakKey, Written.FocusWeak);
    File.setValue(kMidiInputKey, QString::fromStdString(Written.MidiInput));
    if (Written.ScoreWindow) {
        File.setValue(kScorePositionKey, Written.ScoreWindow->topLeft());
        File.setValue(kScoreSizeKey, Written.ScoreWindow->size());
    } else {
        File.remove(QStringLiteral("score"));
    }
}

} // namespace

TSettingsStore::TSettingsStore() {
    const QString Path = SettingsPath();
    if (!MayUse(Path)) {
        std::fprintf(stderr,
                     "kadenzo: 「%s」は通常のファイルではないため、設定を読み書きしません。\n",
                     qPrintable(Path));
        return;
    }
    FileName = Path;
    Settings = ReadSettings(QSettings(Path, QSettings::IniFormat));
}

void TSettingsStore::Set(const TSettings& Changed) {
    Settings = Changed;
    if (FileName && MayUse(*FileName)) {
        QSettings File(*FileName, QSettings::IniFormat);
        WriteSettings(File, Settings);
    }
}
