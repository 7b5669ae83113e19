#include "app/command_line.h"

#include "app/manifest.h"
#include "app/toolkit.h"

namespace app {
namespace {

// Splits "/NAME=value" into its name (upper-cased ASCII) and value; a switch
// without "=" has an empty value and no_value set.
struct Switch {
  std::string name, value;
  bool has_value = false;
};

Switch SplitSwitch(const std::string& argument) {
  Switch result;
  size_t equals = argument.find('=');
  std::string name = argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  result.name = name;
  if (equals != std::string::npos) {
    result.value = argument.substr(equals + 1);
    result.has_value = true;
  }
  return result;
}

bool ParseSystems(const std::string& list, CommandLine& line) {
  size_t start = 0;
  bool any = false;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (SameText(name, "Sc")) line.sc = true;
    else if (SameText(name, "Pos")) line.pos = true;
    else if (SameText(name, "WmSvr")) line.wmsvr = true;
    else if (SameText(name, "Kds")) line.kds = true;
    else {
      line.error = "unknown system \"" + name + "\" in /SYSTEMS (Sc, Pos, WmSvr, Kds)";
      return false;
    }
    any = true;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (!any) line.error = "/SYSTEMS names no system";
  return any;
}

CommandLine Invalid(CommandLine line, const std::string& error) {
  line.mode = CommandLine::Mode::Invalid;
  line.error = error;
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  if (arguments.empty()) return line;
  for (const std::string& argument : arguments) {
    if (argument == "/?" || argument == "-?") {
      line.mode = CommandLine::Mode::Usage;
      return line;
    }
  }
  bool silent = false, edition = false, folder = false, systems = false;
  for (const std::string& argument : arguments) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
      return Invalid(line, "unexpected argument \"" + argument + "\"");
    Switch option = SplitSwitch(argument);
    bool repeated = false;
    if (option.name == "S" && !option.has_value) {
      repeated = silent;
      silent = true;
    } else if (option.name == "EDITION" && option.has_value) {
      repeated = edition;
      edition = true;
      if (SameText(option.value, kEditionCatering)) line.edition = kEditionCatering;
      else if (SameText(option.value, kEditionCommercial)) line.edition = kEditionCommercial;
      else return Invalid(line, "unknown edition \"" + option.value + "\" (CySaaS or SySaaS)");
    } else if (option.name == "DIR" && option.has_value) {
      repeated = folder;
      folder = true;
      line.folder = option.value;
    } else if (option.name == "SYSTEMS" && option.has_value) {
      repeated = systems;
      systems = true;
      if (!ParseSystems(option.value, line)) return Invalid(line, line.error);
    } else if (option.name == "LOG" && option.has_value && !option.value.empty()) {
      repeated = !line.log_file.empty();
      line.log_file = option.value;
    } else {
      return Invalid(line, "unknown switch \"" + argument + "\"");
    }
    if (repeated) return Invalid(line, "switch given twice: \"" + argument + "\"");
  }
  if (!silent) return Invalid(line, "/S is missing: without it the installer takes no arguments");
  if (!edition) return Invalid(line, "/EDITION is missing");
  if (!folder || TrimWithBackslash(line.folder).empty()) return Invalid(line, "/DIR is missing or empty");
  if (!systems) return Invalid(line, "/SYSTEMS is missing");
  if (line.edition == kEditionCommercial && (line.wmsvr || line.kds))
    return Invalid(line, "WmSvr and Kds belong to the catering edition (CySaaS) only");
  line.mode = CommandLine::Mode::Unattended;
  return line;
}

std::string UsageText() {
  return "安装程序的命令行:\r\n\r\n"
         "DIzavozi.exe                  打开安装向导\r\n"
         "DIzavozi.exe /S /EDITION=CySaaS|SySaaS /DIR=<文件夹> /SYSTEMS=Sc,Pos,WmSvr,Kds [/LOG=<文件>]\r\n"
         "                              无人值守安装 (不显示窗口)\r\n\r\n"
         "/EDITION  CySaaS 美食版, SySaaS 商业版\r\n"
         "/SYSTEMS  Sc 云后台管理系统, Pos 云前台收银系统,\r\n"
         "          WmSvr 云服务管理系统, Kds 云触屏划菜系统 (仅美食版)\r\n"
         "/LOG      把安装过程和提示写入此文件\r\n\r\n"
         "退出代码: 0 成功, 1 安装失败, 2 参数错误, 3 解压失败, 4 有文件未能写入,\r\n"
         "          5 文件正在使用, 6 磁盘空间不足, 7 安装程序已在运行,\r\n"
         "          8 安装文件夹中有指向外部的链接";
}

}  // namespace app
