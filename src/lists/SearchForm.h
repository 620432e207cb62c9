#pragma once

#include "entry/CodeList.h"
#include "lists/QueryListForm.h"

#include <QDialog>

class TButtonEdit;
class TNumericEdit;
class TQuValidEdit;
enum class SearchInput;
struct SearchClause;

// "查询数据": records whose unit code c901 lies in a range of one or two conditions.
class TdlgSearchForm final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSearchForm(const SearchContext& context, QWidget* parent = nullptr);

    // "查  找": checks the input, then shows the result list.
    void find();

private:
    SearchContext context_;
    TMenuItemDataArray operators_;
    TButtonEdit* operator1_;
    TNumericEdit* number1_;
    TButtonEdit* connector_;
    TButtonEdit* operator2_;
    TNumericEdit* number2_;
};

// "指标查询": records whose value of one chosen indicator lies in a range.
class TdlgDataSearchForm final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgDataSearchForm(const SearchContext& context, QWidget* parent = nullptr);

    // "查  找": checks the input, then shows the result list.
    void find();

private:
    // The indicator picker; a confirmed choice replaces the field.
    void chooseField();
    QWidget* input(SearchInput which) const;

    SearchContext context_;
    TMenuItemDataArray operators_;
    TButtonEdit* field_;
    TButtonEdit* operator1_;
    TQuValidEdit* number1_;
    TButtonEdit* operator2_;
    TQuValidEdit* number2_;
};
