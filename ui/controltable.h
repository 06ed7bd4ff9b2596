#pragma once

#include <QStringView>
#include <QWidget>
#include <array>
#include <cstddef>
#include <span>

// A window's controls as one table: each row names a control as the design
// does (also its objectName), the member it fills, where it lies in twips,
// its caption and its hover help. DesignedWindow builds a window from it.

struct TwipsRect {
    int left, top, width, height;
};

// Creates a control in its holder and stores it in the window's member.
struct ControlMaker {
    QWidget* (*create)(QWidget* window, QWidget* holder);
    const QMetaObject* type;
};

struct ControlRow {
    const char* name;
    ControlMaker maker;
    TwipsRect place; // within its holder
    QStringView caption;
    QStringView help;
    const char* holder = nullptr;    // the control it lies in; none: the window
    const char* sitsOn = nullptr;    // the controls (space separated) it may cover
    const char* buddyName = nullptr; // the box a label's access key focuses
    bool pastEdge = false;           // reaches beyond its holder at the design size
    bool docked = false;             // along the window's foot, its full width, at its design height
    bool clearsHelp = false;         // the pointer over it takes the hover help away

    constexpr ControlRow in(const char* control) const { return with(&ControlRow::holder, control); }
    constexpr ControlRow over(const char* controls) const { return with(&ControlRow::sitsOn, controls); }
    constexpr ControlRow buddy(const char* box) const { return with(&ControlRow::buddyName, box); }
    constexpr ControlRow reachesPastEdge() const { return with(&ControlRow::pastEdge, true); }
    constexpr ControlRow atFoot() const { return with(&ControlRow::docked, true); }
    constexpr ControlRow hidesHelp() const { return with(&ControlRow::clearsHelp, true); }

  private:
    template <class T> constexpr ControlRow with(T ControlRow::*field, T value) const {
        ControlRow row = *this;
        row.*field = value;
        return row;
    }
};

struct WindowDesign {
    const char* name; // the window's objectName
    QStringView title;
    int width, height; // the client area it opens with, in twips
    bool fixedSize;
    std::span<const ControlRow> rows; // in creation order: a later row lies above an earlier one
    const char* helpBox = nullptr;    // shows the hover help; none: the help is the tool tip
    bool surfaceHidesHelp = false;    // the pointer over the window's own surface takes it away
    std::span<const char* const> tabOrder = {};
};

namespace ControlTableDetail {

template <class T> struct MemberOf;
template <class Form, class Control> struct MemberOf<Control * Form::*> {
    using FormType = Form;
    using ControlType = Control;
};
template <class Form, class Control, std::size_t N> struct MemberOf<Control* (Form::*)[N]> {
    using FormType = Form;
    using ControlType = Control;
};

template <auto Member, int Index, class Made> QWidget* Create(QWidget* window, QWidget* holder) {
    auto* control = new Made(holder);
    auto* form = static_cast<typename MemberOf<decltype(Member)>::FormType*>(window);
    if constexpr (Index < 0)
        form->*Member = control;
    else
        (form->*Member)[Index] = control;
    return control;
}

template <auto Member, int Index, class Made>
constexpr ControlRow MakeRow(const char* name, TwipsRect place, QStringView caption, QStringView help) {
    return {name, {&Create<Member, Index, Made>, &Made::staticMetaObject}, place, caption, help};
}

} // namespace ControlTableDetail

// Row<&Form::Command1>("Command1", {120, 60, 1000, 345}, u"送信", u"送信します。")
// fills the member Command1 with a control of the member's type, or of `Made`.
template <auto Member, class Made = typename ControlTableDetail::MemberOf<decltype(Member)>::ControlType>
constexpr ControlRow Row(const char* name, TwipsRect place, QStringView caption = {}, QStringView help = {}) {
    return ControlTableDetail::MakeRow<Member, -1, Made>(name, place, caption, help);
}

// Row<&Form::Label2, 3>(...) fills element 3 of the member array Label2.
template <auto Member, int Index,
          class Made = typename ControlTableDetail::MemberOf<decltype(Member)>::ControlType>
constexpr ControlRow Row(const char* name, TwipsRect place, QStringView caption = {}, QStringView help = {}) {
    return ControlTableDetail::MakeRow<Member, Index, Made>(name, place, caption, help);
}

// Texts joined at compile time, for help that two rows share in part.
template <std::size_t N> struct JoinedText {
    std::array<char16_t, N> chars{};
    constexpr QStringView view() const { return QStringView(chars.data(), qsizetype(N - 1)); }
};

template <std::size_t A, std::size_t B>
constexpr JoinedText<A + B - 1> JoinTexts(const char16_t (&first)[A], const char16_t (&second)[B]) {
    JoinedText<A + B - 1> joined;
    for (std::size_t i = 0; i + 1 < A; ++i)
        joined.chars[i] = first[i];
    for (std::size_t i = 0; i < B; ++i)
        joined.chars[A - 1 + i] = second[i];
    return joined;
}
