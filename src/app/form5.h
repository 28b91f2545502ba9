#pragma once
// The options dialog "选项" as a headless model: five options in option.ini, three groups of exclusive
// choices, the thread-count list and the live-preview switch. It lives for the whole process; the run
// and the output naming read its controls directly, so a cancelled change still applies until exit.
#include <string>

#include "app/controls/button.h"
#include "app/controls/check_box.h"
#include "app/controls/combo_box.h"
#include "base/ini_file.h"

namespace app {

class TForm5 {
 public:
  explicit TForm5(base::TIniFile& AIni);
  TForm5(const TForm5&) = delete;
  TForm5& operator=(const TForm5&) = delete;

  static constexpr int kClientWidth = 561;
  static constexpr int kClientHeight = 537;
  static constexpr int kMaxThreads = 19;
  const std::string Caption = "选项";

  // Handlers.
  void Button1Click();               // load the five options (once, at creation), repairing bad values
  void Button2Click();               // save the five options
  void bsSkinButton6Click();         // "确定": save and close
  void bsSkinButton1Click();         // "取消": close without saving
  void bsSkinCheckRadioBox8Click();  // preview switch changed
  void bsSkinCheckRadioBox7Click();  // multithread switch changed

  // Modal showing; the view opens and closes the window while Showing() changes.
  void Show() { showing_ = true; }
  void Close() { showing_ = false; }
  bool Showing() const { return showing_; }

  // The options as the run and the naming read them.
  int AfterDone() const;       // 0 open the output folder, 1 shut down, 2 play a sound, 3 nothing
  bool OverwriteFile() const;  // "直接覆盖输出文件" is on
  int ThreadPriority() const;  // 0 idle, 1 lowest, 2 lower, 3 normal
  int ThreadCount() const;     // 1..19; 1 while the multithread switch is off
  bool ShowPreview() const { return bsSkinCheckRadioBox8.Checked(); }

  // The live-preview switch, raised whenever the preview box changes (also at load).
  TSignal<bool> PreviewSwitchChanged;

  TFocusScope Focus;
  // "转换工作完成后"
  TRadioGroup AfterDoneGroup;
  TRadioButton bsSkinCheckRadioBox1{"bsSkinCheckRadioBox1", "自动打开输出文件夹", AfterDoneGroup};
  TRadioButton bsSkinCheckRadioBox2{"bsSkinCheckRadioBox2", "自动关闭计算机", AfterDoneGroup};
  TRadioButton bsSkinCheckRadioBox4{"bsSkinCheckRadioBox4", " 播放提示音乐", AfterDoneGroup};
  TRadioButton bsSkinCheckRadioBox5{"bsSkinCheckRadioBox5", "不进行任何操作", AfterDoneGroup};
  // "如果输出文件存在时"
  TRadioGroup OverwriteGroup;
  TRadioButton bsSkinCheckRadioBox3{"bsSkinCheckRadioBox3", "直接覆盖输出文件", OverwriteGroup};
  TRadioButton bsSkinCheckRadioBox6{"bsSkinCheckRadioBox6", "自动重命名输出文件", OverwriteGroup};
  // "转换参数"
  TComboBox bsSkinComboBox2{"bsSkinComboBox2"};  // thread count "1".."19"
  TCheckBox bsSkinCheckRadioBox7{"bsSkinCheckRadioBox7", "启用多线程模式   （同时进行转换的视频个数）"};
  TCheckBox bsSkinCheckRadioBox8{"bsSkinCheckRadioBox8", "转换时进行实时视频预览"};
  // "转换时CPU利用方式"
  TRadioGroup PriorityGroup;
  TRadioButton bsSkinCheckRadioBox9{"bsSkinCheckRadioBox9", "系统空闲时进行", PriorityGroup};
  TRadioButton bsSkinCheckRadioBox10{"bsSkinCheckRadioBox10", "最低优先级进行", PriorityGroup};
  TRadioButton bsSkinCheckRadioBox11{"bsSkinCheckRadioBox11", "较低优先级进行", PriorityGroup};
  TRadioButton bsSkinCheckRadioBox12{"bsSkinCheckRadioBox12", "正常优先级进行", PriorityGroup};
  TButton bsSkinButton6{"bsSkinButton6", "确定"};
  TButton bsSkinButton1{"bsSkinButton1", "取消"};

  static constexpr const char* kThreadCountLabel = "程序最大运行线程数--（同时进行转换的文件个数）";
  static constexpr const char* kAfterDoneCaption = "转换工作完成后";
  static constexpr const char* kOverwriteCaption = "如果输出文件存在时";
  static constexpr const char* kParametersCaption = "转换参数";
  static constexpr const char* kPriorityCaption = "转换时CPU利用方式";

 private:
  void SetPreviewBox(bool AOn);
  base::TIniFile& ini_;
  bool showing_ = false;
};

}  // namespace app
