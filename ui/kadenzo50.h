#pragma once

#include <QWidget>

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
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    bool OnKeyDown(int Key);

    QTextEdit* MemoManual;
    QPushButton* ButtonClose;
};

// The key reference window.
class TFormHelp : public TReferenceWindow {
public:
    TFormHelp();
};
