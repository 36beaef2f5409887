#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTextEdit;
class QPushButton;

// A window that shows a fixed text, beside the main window without blocking it, and that Esc
// or its button closes (hides) until it is asked for again.
class TReferenceWindow : public QWidget {
public:
    struct TLook {
        const char* Caption;
        QSize ClientSize;
        QColor Background;
        QRect TextArea;
        bool VerticalScrollBar;
    };
    TReferenceWindow(const TLook& Look, const std::vector<std::string>& Lines);

    // Shows the window centred on the screen, or brings it to the front if it is shown.
    void ShowInFront();

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    bool OnKeyDown(int Key);

    QTextEdit* MemoManual;
    QPushButton* ButtonClose;
    // The text is laid out when the window is first shown, not while the program starts.
    std::vector<std::string> Lines;
    bool TextShown = false;
};

// A reference window made the first time it is asked for (laying out its text would
// otherwise delay the main window at start-up), or one made elsewhere.
class TReferenceWindowSlot {
public:
    using TMake = std::function<std::unique_ptr<TReferenceWindow>()>;
    explicit TReferenceWindowSlot(TMake Make) : Make(std::move(Make)) {}
    explicit TReferenceWindowSlot(TReferenceWindow& Made) : Window(&Made) {}

    TReferenceWindow& Get();
    // Closes the window if it was ever made.
    void Close();

private:
    TMake Make;
    std::unique_ptr<TReferenceWindow> Owned;
    TReferenceWindow* Window = nullptr;
};
