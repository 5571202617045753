// The tests' user: a thread that reads the program's own windows and answers them as scripted,
// else a box with IDOK and a dialog with IDCANCEL.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct WindowSeen {
  std::string className;
  std::string caption;
  unsigned long exStyle = 0;
  // Visible controls by id, with their texts, as first seen.
  std::vector<std::pair<int, std::string>> controls;
  int left = 0, top = 0, right = 0, bottom = 0;
};

class Robot {
 public:
  // One answer: done with the window's handle (as a void*) once it is shown.
  using Answer = std::function<void(void* window)>;

  Robot();
  ~Robot();
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;

  // Answers for the windows to come, in order.
  void Then(Answer answer);
  // Common answers.
  static Answer Press(int controlId);
  static Answer TypeAndPress(int editId, std::string text, int controlId);
  static Answer Key(int virtualKey);  // a key press sent to the window
  static Answer Wait();               // leave the window alone: it closes by itself

  // Every window answered, in order.
  std::vector<WindowSeen> Seen() const;
  void Clear();

  struct Shared;  // with the watching thread

 private:
  Shared* shared_;
};
