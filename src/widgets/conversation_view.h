#pragma once
// A read-only view of a conversation or log: lines kept as text with caps on lines and
// characters, only the visible rows laid out and painted, so appending costs the same however
// much the view holds. Follows new text unless the user scrolled up to read (then a hint says
// new text came); selection with the mouse, copy, select all, Ctrl+F find, accessible text.
#include "text/line_store.h"
#include "widgets/conversation_wrap.h"

#include <QAbstractScrollArea>
#include <QStringList>
#include <QTimer>

class ConversationFindBar;
class QMenu;
class QTextLayout;
class QToolButton;

class ConversationView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 50;
    static constexpr int kMaxBlocks = 20000;
    // At 1 MB/s every 100 ms poll is a 100 000-character line: lines alone would let 20 000 of
    // them (gigabytes) pile up. About 4 MB of text is kept.
    static constexpr int kMaxChars = 2 * 1024 * 1024;

    explicit ConversationView(QWidget *parent = nullptr);
    ~ConversationView() override;

    // Shown at once, as one or more lines (its line breaks start new lines).
    void appendPlainText(const QString &text);
    // Kept back and shown with the others of the same moment, at most once per interval.
    void appendLine(const QString &line);
    // Shows what appendLine holds back now.
    void flush();
    int pendingCount() const { return m_pending.size(); }
    void clear();

    void setMaximumBlockCount(int lines);
    int maximumBlockCount() const { return m_store.maxLines(); }
    void setMaximumCharacterCount(int chars);

    QString toPlainText() const { return m_store.text(); }
    // As a text document counts: lines (at least one) and characters with every line's break.
    int blockCount() const { return std::max(1, m_store.size()); }
    int characterCount() const { return static_cast<int>(m_store.characterCount()); }
    QString line(int i) const { return i >= 0 && i < m_store.size() ? m_store.at(i) : QString(); }
    QString lastLine() const { return line(m_store.size() - 1); }
    bool isReadOnly() const { return true; }
    const LineStore &store() const { return m_store; }

    bool hasSelection() const;
    QString selectedText() const;
    // Offsets into toPlainText().
    void setSelection(qsizetype start, qsizetype end);
    qsizetype selectionStart() const;
    qsizetype selectionEnd() const;
    void selectAll();
    void copy() const;
    // Selects the next (or previous) case-insensitive occurrence and brings it into view.
    bool find(const QString &text, bool backward = false);
    void showFindBar();
    void hideFindBar();
    ConversationFindBar *findBar() const { return m_findBar; }

    // True while new text scrolls into view; false once the user scrolled up to read.
    bool isFollowing() const { return m_follow; }
    bool newTextHintShown() const;
    void scrollToBottom();
    // Brings offset `offset` of toPlainText() into view.
    void scrollToOffset(qsizetype offset);
    QMenu *createContextMenu();

signals:
    // Every line as it is shown, once, before any cap drops it.
    void linesAppended(const QStringList &lines);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct Pos {
        qint64 id = -1;  // line id in the store
        int column = 0;
    };
    void commit(const QStringList &lines);
    void rewrap();
    void updateScrollRange();
    void setTop(int row);
    void onScrolled(int value);
    int rowHeight() const;
    int visibleRows() const;
    int indexOf(const Pos &p) const { return static_cast<int>(p.id - m_store.firstId()); }
    Pos clamped(Pos p) const;
    Pos posAt(const QPoint &point) const;
    qsizetype offsetOf(const Pos &p) const;
    Pos posOfOffset(qsizetype offset) const;
    void layoutPiece(QTextLayout &layout, int line, int piece) const;
    void autoScroll();
    void placeChildren();

    LineStore m_store;
    ConversationWrap m_wrap;
    QStringList m_pending;
    qsizetype m_pendingChars = 0;
    QTimer m_flushTimer;
    QTimer m_autoScrollTimer;
    Pos m_anchor, m_cursor;
    Pos m_top;  // what the first visible row shows while not following
    bool m_follow = true;
    bool m_settingScroll = false;
    bool m_selecting = false;
    QToolButton *m_newTextHint;
    ConversationFindBar *m_findBar;
};
