// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_accessible.h"

#include <QAccessible>
#include <QHash>
#include <memory>
#include <vector>

#include "app/qt_canvas.h"
#include "game/board_cursor.h"
#include "lang/language.h"

namespace quintora {

namespace {

class CanvasAccessible;

// A child with no widget of its own: a cell, the table, a label.
class Part : public QAccessibleInterface {
public:
    explicit Part(CanvasAccessible* owner) : owner_(owner) {}
    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override { return {}; }

protected:
    CanvasAccessible* owner_;
};

class CellPart;
class TablePart;

class LabelPart : public Part {
public:
    LabelPart(CanvasAccessible* owner, StatusLabel which) : Part(owner), which_(which) {}
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? text_ : QString(); }
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }
    QString text_;

private:
    StatusLabel which_;
};

// What is said: a notification shown with each announcement, which Orca
// reads out as it shows. Orca asks for its text only once the window answers
// again (after the computers' turns, whose waits hold the window), so each
// announcement has a notification of its own, taken in turn from a few, and
// keeps its text.
class NoticePart : public Part {
public:
    using Part::Part;
    QString text_;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }
};

class CanvasAccessible : public QAccessibleWidget {
public:
    explicit CanvasAccessible(QtCanvas* canvas);
    ~CanvasAccessible() override;
    QtCanvas* canvas() const { return canvas_; }
    int childCount() const override { return 1 + status_label_count + notice_count; }
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? QString::fromStdString(lang::tr("盤")) : QAccessibleWidget::text(t);
    }

    BoardReading reading;
    QString said;  // the last announcement, the focused part's description
    TablePart* table = nullptr;
    std::array<LabelPart*, status_label_count> labels{};
    static constexpr int notice_count = 8;  // more than one turn says
    std::array<NoticePart*, notice_count> notices{};
    int next_notice = 0;
    std::vector<CellPart*> cells;  // by (y - 1) * 19 + (x - 1)
    std::vector<QAccessible::Id> ids;

    // Every part is registered with Qt once, and unregistered with the canvas.
    template <class T>
    T* keep(T* part) {
        ids.push_back(QAccessible::registerAccessibleInterface(part));
        return part;
    }

private:
    QtCanvas* canvas_;  // kept: Qt's own pointer is cleared before this goes
};

QHash<QtCanvas*, CanvasAccessible*>& registry() {
    static QHash<QtCanvas*, CanvasAccessible*> r;
    return r;
}

class CellPart : public Part {
public:
    CellPart(CanvasAccessible* owner, Cell cell) : Part(owner), cell_(cell) {}
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description) return focused() ? owner_->said : QString();
        if (t != QAccessible::Name) return {};
        return owner_->reading.cell ? QString::fromStdString(owner_->reading.cell(cell_)) : QString();
    }
    bool focused() const {
        const auto at = owner_->reading.cursor ? owner_->reading.cursor() : std::nullopt;
        return at == std::optional<Cell>(cell_);
    }
    QRect rect() const override {
        const QRect r = QtCanvas::cursor_rect(cell_);
        return QRect(owner_->canvas()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.selectable = true;
        const auto at = owner_->reading.cursor ? owner_->reading.cursor() : std::nullopt;
        s.focused = s.selected = at == std::optional<Cell>(cell_);
        return s;
    }
    Cell cell() const { return cell_; }

private:
    Cell cell_;
};

class TablePart : public Part {
public:
    using Part::Part;
    QAccessibleInterface* parent() const override { return owner_; }
    int childCount() const override { return field_last * field_last; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        return owner_->cells[std::size_t(index)];
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        for (std::size_t i = 0; i < owner_->cells.size(); ++i)
            if (owner_->cells[i] == c) return int(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = owner_->canvas()->mapFromGlobal(QPoint(x, y));
        for (CellPart* c : owner_->cells)
            if (QtCanvas::cursor_rect(c->cell()).contains(p)) return c;
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description) return owner_->said;
        return t == QAccessible::Name ? QString::fromStdString(lang::tr("盤")) : QString();
    }
    QRect rect() const override {
        const QRect r = QtCanvas::cursor_rect({1, 1}).united(QtCanvas::cursor_rect({field_last, field_last}));
        return QRect(owner_->canvas()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Table; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.focused = owner_->canvas()->hasFocus();
        return s;
    }
};

QAccessibleInterface* CellPart::parent() const { return owner_->table; }
QAccessibleInterface* NoticePart::parent() const { return owner_; }
QString NoticePart::text(QAccessible::Text t) const { return t == QAccessible::Name ? text_ : QString(); }
QRect NoticePart::rect() const { return owner_->labels[std::size_t(StatusLabel::last_stone)]->rect(); }
QAccessibleInterface* LabelPart::parent() const { return owner_; }
QRect LabelPart::rect() const {
    // Beside the board, one line each, where the window draws them.
    static constexpr int rows[status_label_count] = {5, 9, 11, 13};
    const QRect r(qRound((800 + 315 * 21.5) / 15.0), qRound((450 + 315 * rows[int(which_)]) / 15.0), 146, 20);
    return QRect(owner_->canvas()->mapToGlobal(r.topLeft()), r.size());
}

CanvasAccessible::CanvasAccessible(QtCanvas* canvas) : QAccessibleWidget(canvas, QAccessible::Client), canvas_(canvas) {
    registry().insert(canvas, this);
    table = keep(new TablePart(this));
    for (int y = 1; y <= field_last; ++y)
        for (int x = 1; x <= field_last; ++x) cells.push_back(keep(new CellPart(this, {x, y})));
    for (int i = 0; i < status_label_count; ++i) labels[std::size_t(i)] = keep(new LabelPart(this, StatusLabel(i)));
    for (NoticePart*& n : notices) n = keep(new NoticePart(this));
}

CanvasAccessible::~CanvasAccessible() {
    registry().remove(canvas_);
    for (const QAccessible::Id id : ids) QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* CanvasAccessible::child(int index) const {
    if (index == 0) return table;
    if (index >= 1 && index <= status_label_count) return labels[std::size_t(index - 1)];
    if (index > status_label_count && index <= status_label_count + notice_count)
        return notices[std::size_t(index - 1 - status_label_count)];
    return nullptr;
}

int CanvasAccessible::indexOfChild(const QAccessibleInterface* c) const {
    if (c == table) return 0;
    for (int i = 0; i < status_label_count; ++i)
        if (labels[std::size_t(i)] == c) return i + 1;
    for (int i = 0; i < notice_count; ++i)
        if (notices[std::size_t(i)] == c) return 1 + status_label_count + i;
    return -1;
}

QAccessibleInterface* CanvasAccessible::childAt(int x, int y) const {
    if (table->rect().contains(x, y)) return table;
    return nullptr;
}

QAccessibleInterface* CanvasAccessible::focusChild() const {
    const auto at = reading.cursor ? reading.cursor() : std::nullopt;
    if (!at) return canvas()->hasFocus() ? table : nullptr;
    return cells[std::size_t((at->y - 1) * field_last + (at->x - 1))];
}

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* canvas = dynamic_cast<QtCanvas*>(object)) return new CanvasAccessible(canvas);
    return nullptr;
}

// The canvas's interface, made by Qt on first use.
CanvasAccessible* accessible(QtCanvas* canvas) {
    if (!registry().contains(canvas)) QAccessible::queryAccessibleInterface(canvas);
    return registry().value(canvas);
}

}  // namespace

void install_board_accessibility() {
    static bool installed = false;
    if (!installed) QAccessible::installFactory(factory);
    installed = true;
}

void set_board_reading(QtCanvas* canvas, BoardReading reading) {
    if (CanvasAccessible* a = accessible(canvas)) a->reading = std::move(reading);
}

void notify_cursor(QtCanvas* canvas) {
    CanvasAccessible* a = accessible(canvas);
    if (!a) return;
    a->said.clear();  // the cell reached is read alone, not with what was said before
    if (!QAccessible::isActive()) return;
    if (QAccessibleInterface* focus = a->focusChild()) {
        QAccessibleEvent e(focus, QAccessible::Focus);
        QAccessible::updateAccessibility(&e);
    }
}

void announce(QtCanvas* canvas, const std::string& text) {
    CanvasAccessible* a = accessible(canvas);
    if (!a || text.empty()) return;
    a->said = QString::fromStdString(text);
    NoticePart* notice = a->notices[std::size_t(a->next_notice)];
    a->next_notice = (a->next_notice + 1) % CanvasAccessible::notice_count;
    notice->text_ = a->said;
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* focus = a->focusChild();
    if (!focus) focus = a->table;
    QAccessibleEvent described(focus, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void notify_label(QtCanvas* canvas, StatusLabel label, const std::string& text) {
    CanvasAccessible* a = accessible(canvas);
    if (!a) return;
    LabelPart* l = a->labels[std::size_t(label)];
    const QString t = QString::fromStdString(text);
    if (l->text_ == t) return;
    l->text_ = t;
    if (!QAccessible::isActive()) return;
    QAccessibleEvent e(l, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&e);
}

}  // namespace quintora
