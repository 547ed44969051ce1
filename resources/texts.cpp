// The program's texts. The Windows build compiles this file with
// -fexec-charset=GBK, so the literals below become the GBK bytes the
// window system expects from the narrow ("A") functions. The punctuation
// (!, the blank after it, the comma and the full stops) is ASCII on purpose.
#include "resources/texts.h"

const char kPathPrompt[] = "请选择需要校验的文件...";
const char kResultStart[] = "校验结果";

const char kBusyText[] = "正在计算校验码....";
const char kEmptyPathText[] = "文件名错误! 请重新选择文件...";
const char kOpenFailedText[] = "打开指定文件失败! 请重新选择文件...";
const char kReadFailedText[] = "读取文件失败! 请重新选择文件...";

const char kLargeFileNotice[] = "计算大文件的校验码需要较长时间,请耐心等待.";
const char kLargeFileCaption[] = "请注意";

// The second terminator after "*.TXT" is the literal's own.
const char kBrowseFilter[] = "All\0*.*\0Text\0*.TXT\0";
