#include "ui/practice_window.h"

#include "harmony/calculator.h"
#include "ui/ui_style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>

#include <algorithm>
#include <array>
#include <tuple>

namespace {

constexpr int kWidth = 600;
constexpr int kMargin = 8;
constexpr int kRowHeight = 25;
// The most confused pairs the record names.
constexpr std::size_t kConfusionsShown = 3;
const QString kOpenFolder = QStringLiteral("レッスンを開く…");

QString DegreeText(const TProgressionEntry& Entry) {
    return QString::fromStdString(
               TCalculatorEx::DegreeLabel(Entry.Tonality.Mode, Entry.Degree, Entry.Variant))
        .trimmed();
}

QString PlainDegree(std::size_t Index) {
    return QString::fromStdString(
               TCalculatorEx::DegreeLabel(mdMajor, static_cast<std::int32_t>(Index) + 1, cvNormal))
        .trimmed();
}

// "ⅤをⅦと 3回、…": the degrees most often heard as others, most first.
QString ConfusionText(const TLessonRecord& Record) {
    std::vector<std::tuple<std::uint32_t, std::size_t, std::size_t>> Pairs;
    for (std::size_t Expected = 0; Expected < 7; ++Expected) {
        for (std::size_t Answered = 0; Answered < 7; ++Answered) {
            const std::uint32_t Count = Record.Confusion[Expected][Answered];
            if (Expected != Answered && Count > 0) {
                Pairs.emplace_back(Count, Expected, Answered);
            }
        }
    }
    std::stable_sort(Pairs.begin(), Pairs.end(),
                     [](const auto& A, const auto& B) { return std::get<0>(A) > std::get<0>(B); });
    QStringList Shown;
    for (std::size_t i = 0; i < std::min(Pairs.size(), kConfusionsShown); ++i) {
        const auto& [Count, Expected, Answered] = Pairs[i];
        Shown << QStringLiteral("%1を%2と %3回")
                     .arg(PlainDegree(Expected), PlainDegree(Answered))
                     .arg(Count);
    }
    return Shown.join(QStringLiteral("、"));
}

} // namespace

TPracticeWindow::TPracticeWindow(TFormMainModel& Model, std::function<bool(QEvent&)> PlayKey,
                                 TSettingsStore& Settings, std::string RecordsPath)
    : QWidget(nullptr), Model(Model), PlayKey(std::move(PlayKey)), Settings(Settings),
      RecordsPath(std::move(RecordsPath)), Practice(Model, Records),
      ComboLesson(new QComboBox(this)),
      CheckWeak(new QCheckBox(QStringLiteral("苦手を重点的に"), this)),
      SpinTempo(new QSpinBox(this)), ButtonAsk(new QPushButton(QStringLiteral("出題"), this)),
      ButtonAgain(new QPushButton(QStringLiteral("もう一度"), this)),
      ButtonReveal(new QPushButton(QStringLiteral("答えを見る"), this)),
      LabelGrades(new QLabel(this)), Score(new TScoreView(this)), LabelRecord(new QLabel(this)),
      ButtonClose(new QPushButton(QStringLiteral("閉じる"), this)) {
    setWindowTitle(QStringLiteral("聴音練習"));
    const int ScoreTop = kMargin + 3 * (kRowHeight + kMargin);
    const int RecordTop = ScoreTop + TScoreView::ScoreHeight() + 16 + kMargin;
    MakeFixedDialogFrame(*this, QSize(kWidth, RecordTop + 2 * (kRowHeight + kMargin)),
                         palette().color(QPalette::Window));
    ComboLesson->setObjectName(QStringLiteral("ComboLesson"));
    CheckWeak->setObjectName(QStringLiteral("CheckWeak"));
    SpinTempo->setObjectName(QStringLiteral("SpinTempo"));
    ButtonAsk->setObjectName(QStringLiteral("ButtonAsk"));
    ButtonAgain->setObjectName(QStringLiteral("ButtonAgain"));
    ButtonReveal->setObjectName(QStringLiteral("ButtonReveal"));
    LabelGrades->setObjectName(QStringLiteral("LabelGrades"));
    LabelRecord->setObjectName(QStringLiteral("LabelRecord"));
    ComboLesson->setGeometry(kMargin, kMargin, 300, kRowHeight);
    CheckWeak->setGeometry(320, kMargin, 200, kRowHeight);
    auto* TempoLabel = new QLabel(QStringLiteral("速さ（1 分に）"), this);
    TempoLabel->setGeometry(kMargin, 2 * kMargin + kRowHeight, 110, kRowHeight);
    SpinTempo->setGeometry(120, 2 * kMargin + kRowHeight, 70, kRowHeight);
    SpinTempo->setRange(TBeatPlayer::kMinTempo, TBeatPlayer::kMaxTempo);
    ButtonAsk->setGeometry(220, 2 * kMargin + kRowHeight, 90, kRowHeight);
    ButtonAgain->setGeometry(320, 2 * kMargin + kRowHeight, 90, kRowHeight);
    ButtonReveal->setGeometry(420, 2 * kMargin + kRowHeight, 100, kRowHeight);
    LabelGrades->setGeometry(kMargin, 3 * kMargin + 2 * kRowHeight, kWidth - 2 * kMargin,
                             kRowHeight);
    Score->setGeometry(kMargin, ScoreTop, kWidth - 2 * kMargin, TScoreView::ScoreHeight() + 16);
    LabelRecord->setGeometry(kMargin, RecordTop, kWidth - 2 * kMargin, kRowHeight);
    ButtonClose->setGeometry(kWidth - 73, RecordTop + kRowHeight + kMargin, 65, kRowHeight);
    // The keyboard is the instrument here too: no control keeps a key for itself.
    for (QWidget* Child : findChildren<QWidget*>()) {
        Child->setFocusPolicy(Qt::NoFocus);
    }
    setFocusPolicy(Qt::StrongFocus);

    AddLessons();
    const TSettings& Kept = Settings.Get();
    SpinTempo->setValue(Kept.Tempo);
    CheckWeak->setChecked(Kept.FocusWeak);
    const QString Lesson = QString::fromStdString(Kept.Lesson);
    if (ComboLesson->findData(Lesson) >= 0) {
        ComboLesson->setCurrentIndex(ComboLesson->findData(Lesson));
    } else if (!AddTeacherLesson(Lesson, false)) {
        ComboLesson->setCurrentIndex(0);
    }

    TRecordsRead Read = ReadRecords(this->RecordsPath);
    Records = std::move(Read.Records);
    if (!Read.Message.empty()) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(Read.Message));
    }
    connect(ComboLesson, QOverload<int>::of(&QComboBox::activated), this, [this](int Index) {
        if (ComboLesson->itemText(Index) == kOpenFolder) {
            OpenLessonFolder();
        }
        KeepChoices();
        ShowRecord();
    });
    connect(CheckWeak, &QCheckBox::toggled, this, [this] { KeepChoices(); });
    connect(SpinTempo, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this] { KeepChoices(); });
    connect(ButtonAsk, &QPushButton::clicked, this, [this] { Ask(NextSeed()); });
    connect(ButtonAgain, &QPushButton::clicked, this, [this] { PlayQuestion(); });
    connect(ButtonReveal, &QPushButton::clicked, this, [this] {
        Revealed = Practice.Asking() && !Practice.Complete();
        Practice.Reveal();
        KeepRecords();
        ShowQuestion();
        ShowGrades();
        ShowRecord();
    });
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    Model.AddListener(*this);
    ShowGrades();
    ShowRecord();
}

TPracticeWindow::~TPracticeWindow() {
    Model.RemoveListener(*this);
}

void TPracticeWindow::AddLessons() {
    for (const TBuiltInLesson& Lesson : BuiltInLessons) {
        ComboLesson->addItem(
            QStringLiteral("%1 %2").arg(Lesson.Number).arg(QString::fromUtf8(Lesson.Title)),
            QString::number(Lesson.Number));
    }
    ComboLesson->addItem(kOpenFolder);
}

// A teacher's folder joins the list above 「レッスンを開く…」 once it reads as a lesson.
void TPracticeWindow::OpenLessonFolder() {
    const QString Folder = QFileDialog::getExistingDirectory(this, kOpenFolder);
    ComboLesson->setCurrentIndex(0);
    if (!Folder.isEmpty()) {
        AddTeacherLesson(Folder, true);
    }
}

bool TPracticeWindow::AddTeacherLesson(const QString& Folder, bool Tell) {
    const TTeacherLessonRead Read = ReadTeacherLesson(Folder.toStdString());
    if (Tell && !Read.Message.empty()) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(Read.Message));
    }
    if (!Read.Lesson) {
        return false;
    }
    const int At = ComboLesson->count() - 1;
    ComboLesson->insertItem(At, QString::fromStdString(Read.Lesson->Title), Folder);
    ComboLesson->setCurrentIndex(At);
    return true;
}

// A built-in lesson draws its questions at random; a teacher's are asked in the order of their
// files' names, from the first each time the window is opened.
std::uint32_t TPracticeWindow::NextSeed() {
    if (BuiltInLessonChosen()) {
        return QRandomGenerator::global()->bounded(1u << 31);
    }
    return TeacherAsked[ChosenLesson()]++;
}

bool TPracticeWindow::BuiltInLessonChosen() const {
    return ComboLesson->currentIndex() < static_cast<int>(std::size(BuiltInLessons));
}

std::string TPracticeWindow::ChosenLesson() const {
    return ComboLesson->currentData().toString().toStdString();
}

void TPracticeWindow::Ask(std::uint32_t Seed) {
    Playback.Stop();
    if (const std::optional<std::string> Error =
            Practice.Ask(ChosenLesson(), Seed, CheckWeak->isChecked())) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(*Error));
        return;
    }
    KeepRecords(); // a question left unanswered was counted
    Marks.assign(Practice.Question().Entries.size(), std::nullopt);
    Shown = false;
    Revealed = false;
    Score->SetMeasures({});
    ShowGrades();
    ShowRecord();
    PlayQuestion();
}

void TPracticeWindow::PlayQuestion() {
    if (Practice.Asking()) {
        Playback.Start(Practice.SoundSteps(), SpinTempo->value());
    }
}

void TPracticeWindow::ProgressionChanged(const TProgressionChange&) {
    // The session, told first, has graded what changed.
    bool Graded = false;
    for (const TGrade& Grade : Practice.TakeGrades()) {
        if (Grade.Index < Marks.size()) {
            Marks[Grade.Index] = Grade.Right;
            Graded = true;
        }
    }
    if (!Graded) {
        return;
    }
    ShowGrades();
    if (Practice.Complete()) {
        KeepRecords();
        ShowQuestion();
        ShowRecord();
    }
}

// ○ for a chord heard right, × and the chord meant for one heard wrong, ・ for one to come.
void TPracticeWindow::ShowGrades() {
    QStringList Places;
    for (std::size_t i = 0; i < Marks.size(); ++i) {
        QString Place = QString::number(i + 1);
        if (!Marks[i]) {
            Place += QStringLiteral("・");
        } else if (*Marks[i]) {
            Place += QStringLiteral("○");
        } else {
            Place += QStringLiteral("×（%1）").arg(DegreeText(Practice.Question().Entries[i]));
        }
        Places << Place;
    }
    if (Practice.Complete()) {
        Places << QStringLiteral("　%1／%2").arg(Practice.RightCount()).arg(Marks.size());
    }
    if (Revealed) {
        Places << QStringLiteral("（答えを見た後）");
    }
    LabelGrades->setText(Places.join(QStringLiteral(" ")));
}

void TPracticeWindow::ShowQuestion() {
    if (!Practice.Asking()) {
        return;
    }
    Shown = true;
    Score->SetMeasures(ScoreMeasures(Practice.Question().Entries));
    std::vector<bool> Wrong;
    for (const std::optional<bool>& Mark : Marks) {
        Wrong.push_back(Mark && !*Mark);
    }
    Score->SetMarked(std::move(Wrong));
}

void TPracticeWindow::ShowRecord() {
    const auto Found = Records.find(ChosenLesson());
    if (Found == Records.end() || Found->second.Asked == 0) {
        LabelRecord->setText(QStringLiteral("記録: まだありません"));
        return;
    }
    const TLessonRecord& Record = Found->second;
    QString Text = QStringLiteral("記録: %1 問中 %2 問正解（%3%）")
                       .arg(Record.Asked)
                       .arg(Record.Right)
                       .arg(Record.Right * 100 / Record.Asked);
    const QString Confused = ConfusionText(Record);
    if (!Confused.isEmpty()) {
        Text += QStringLiteral("　聞き違い: ") + Confused;
    }
    LabelRecord->setText(Text);
}

void TPracticeWindow::KeepRecords() {
    if (const std::error_code Error = WriteRecords(RecordsPath, Records)) {
        std::fprintf(stderr, "kadenzo: 聴音練習の記録を書けませんでした: %s\n",
                     Error.message().c_str());
    }
}

void TPracticeWindow::KeepChoices() {
    TSettings Changed = Settings.Get();
    Changed.Tempo = SpinTempo->value();
    Changed.FocusWeak = CheckWeak->isChecked();
    const std::string Lesson = ChosenLesson();
    if (!Lesson.empty()) {
        Changed.Lesson = Lesson;
    }
    Settings.Set(Changed);
}

bool TPracticeWindow::event(QEvent* Event) {
    return PlayWindowKey(*this, *Event, PlayKey) || QWidget::event(Event);
}

// Closed, the practice ends: the question counted and the main window's work given back.
void TPracticeWindow::hideEvent(QHideEvent* Event) {
    Playback.Stop();
    Practice.End();
    KeepRecords();
    Marks.clear();
    ShowGrades();
    ShowRecord();
    QWidget::hideEvent(Event);
}
