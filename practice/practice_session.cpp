#include "practice/practice_session.h"

#include "progression/integer_text.h"

#include <array>
#include <memory>
#include <utility>

namespace {

constexpr std::array<std::int32_t, 4> kOrientationDegrees = {1, 4, 5, 1};

std::optional<std::int32_t> BuiltInNumber(const std::string& Lesson) {
    const std::optional<std::int32_t> Number = TextToInteger(Lesson);
    if (Number && FindBuiltInLesson(*Number) != nullptr && Lesson == std::to_string(*Number)) {
        return Number;
    }
    return std::nullopt;
}

// Sounds Entries a beat each, the first led afresh.
void AddPhrase(std::vector<TBeatPlayer::TStep>& Steps, TFormMainModel& Form,
               std::vector<TProgressionEntry> Entries) {
    auto Previous = std::make_shared<std::optional<TVoicedChord>>();
    for (const TProgressionEntry& Entry : Entries) {
        Steps.push_back([&Form, Entry, Previous] { Form.SoundAside(Entry, *Previous); });
    }
}

} // namespace

TPracticeSession::TPracticeSession(TFormMainModel& Form, TRecords& Records)
    : Form(Form), Records(Records) {
    Form.AddListener(*this);
}

TPracticeSession::~TPracticeSession() {
    End();
    Form.RemoveListener(*this);
}

std::optional<std::string> TPracticeSession::Ask(const std::string& Lesson, std::uint32_t Seed,
                                                 bool Focused) {
    TQuestion Next;
    std::string NextTitle;
    std::string NextNotice;
    if (const std::optional<std::int32_t> Number = BuiltInNumber(Lesson)) {
        const TDegreeWeights Weights =
            Focused ? ConfusedDegrees(Records[Lesson]) : TDegreeWeights{};
        Next = FocusedQuestion(*Number, Seed, Weights);
        NextTitle = FindBuiltInLesson(*Number)->Title;
    } else if (TextToInteger(Lesson) && Lesson.find('/') == std::string::npos) {
        return "レッスン " + Lesson + " はありません。";
    } else {
        if (!Teacher || Teacher->Folder != Lesson) {
            TTeacherLessonRead Read = ReadTeacherLesson(Lesson);
            if (!Read.Lesson) {
                return Read.Message.empty() ? "「" + Lesson + "」はレッスンとして読めません。"
                                            : Read.Message;
            }
            Teacher = std::move(Read.Lesson);
            NextNotice = Read.Message;
        }
        Next = TeacherQuestion(*Teacher, Seed);
        NextTitle = Teacher->Title;
    }
    Count();
    if (!Borrowed) {
        Borrowed = Form.SaveWorkingState();
    }
    LessonName = Lesson;
    Title = std::move(NextTitle);
    LessonNotice = std::move(NextNotice);
    Asked = std::move(Next);
    Sheet.emplace(Asked);
    Counted = false;
    Form.StartAfresh(Asked.Key());
    Pending.clear(); // the empty answer grades nothing
    return std::nullopt;
}

std::vector<TBeatPlayer::TStep> TPracticeSession::SoundSteps() {
    std::vector<TBeatPlayer::TStep> Steps;
    std::vector<TProgressionEntry> Orientation;
    for (const std::int32_t Degree : kOrientationDegrees) {
        Orientation.push_back({Asked.Key(), Degree, cvNormal});
    }
    AddPhrase(Steps, Form, Orientation);
    Steps.push_back([this] { Form.ButtonSoundOffClick(); });
    AddPhrase(Steps, Form, Asked.Entries);
    Steps.push_back([this] { Form.ButtonSoundOffClick(); });
    return Steps;
}

std::vector<TGrade> TPracticeSession::TakeGrades() {
    return std::exchange(Pending, {});
}

const TLessonRecord& TPracticeSession::Record() const {
    static const TLessonRecord kNone;
    const auto Found = Records.find(LessonName);
    return Found == Records.end() ? kNone : Found->second;
}

void TPracticeSession::Reveal() {
    Count();
}

void TPracticeSession::End() {
    Count();
    Sheet.reset();
    if (Borrowed) {
        Form.RestoreWorkingState(std::move(*Borrowed));
        Borrowed.reset();
    }
}

void TPracticeSession::ProgressionChanged(const TProgressionChange& Change) {
    if (!Sheet || !Change.FirstChanged) {
        return;
    }
    for (TGrade& Grade : Sheet->Grade(Form.GetProgression(), *Change.FirstChanged)) {
        Pending.push_back(std::move(Grade));
    }
    if (Sheet->Complete()) {
        Count();
    }
}

void TPracticeSession::Count() {
    if (Sheet && !Counted) {
        Sheet->AddTo(Records[LessonName]);
        Counted = true;
    }
}
