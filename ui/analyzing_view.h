#pragma once
// The analyzing screen: an indeterminate spinner, drawn 1.5 times its size,
// above "Analyzing app...".

#include <QWidget>

namespace quillmere::ui {

class AnalyzingView : public QWidget {
  Q_OBJECT
public:
  explicit AnalyzingView(QWidget* parent = nullptr);
};

}  // namespace quillmere::ui
