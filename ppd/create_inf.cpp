// "ravlin.inf": the printer-installation file written next to a generated PPD, from the
// installation's INF template.
#include <cstring>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ppd/create_ppd.h"
#include "ui/user_interface.h"

namespace rvc::ppd {
namespace {

constexpr const char* kTitle = "Ravlin Configurator";

// Replaces every "\n" of `text` by `eol`.
std::string WithLineBreaks(std::string_view text, std::string_view eol) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += eol;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool CCreatePpd::CreateInf(const std::string& ppdFolder, const std::string& programFolder) {
  std::string folder = platform::GetEnv("KW_PROG_RAVLINCONFIG").value_or("");
  folder = platform::ExpandEnvironmentReferences(folder).value_or(folder);
  const std::string templatePath =
      platform::ResolveNoCase(platform::JoinPath(platform::NativePath(folder), "dat/templates/ravlininf.dat"));
  const std::string infPath =
      platform::ResolveNoCase(platform::JoinPath(platform::NativePath(ppdFolder), "ravlin.inf"));

  detail::LineReader in;
  detail::LineWriter out;
  int error = 0;
  if (!in.Open(templatePath, error)) {
    ui::ShowMessage(std::string(std::strerror(error)) + ": " + templatePath, kTitle, ui::Buttons::Ok,
                    ui::Icon::Exclamation);
    return false;
  }
  if (!out.Create(infPath, error)) throw CRvcException(msg::kSystemError, infPath, out.ErrorText());

  std::string_view line;
  std::string eol = "\n";
  bool first = true;
  while (in.Next(line)) {
    if (first) {
      eol = in.CrLf() ? "\r\n" : "\n";
      first = false;
    }
    if (line.find("<Add PPD Info>") != std::string_view::npos) {
      const std::string& l = longName_;
      const std::string& t = typeName_;
      out.Append(WithLineBreaks("\"Orva " + t + "\"= " + l + ".PPD\n;\n[" + l + ".PPD]\nCopyFiles=@" + l +
                                    ".PPD,PSCRIPT_WIN\nDataSection=PSCRIPT_DATA_WIN\n;\n[" + l +
                                    ".PPD.NT]\nCopyFiles=@" + l + ".PPD,PSCRIPT_NT\nDataFile=" + l +
                                    ".PPD\nDataSection=PSCRIPT_DATA_NT\n",
                                eol));
    } else if (line.find("<Add Source Disk Names>") != std::string_view::npos) {
      // The INF is read on the RIP's platform: its relative folders use "\" whatever the
      // separator of the program folder given here.
      std::string program = programFolder;
      while (!program.empty() && (program.back() == '\\' || program.back() == '/')) program.pop_back();
      const size_t slash = program.find_last_of("\\/");
      const std::string last = "\\" + (slash == std::string::npos ? program : program.substr(slash + 1));
      const std::string p = "..\\..\\.." + last + "\\dat\\templates\\ppd\\";
      out.Append("2 =\"Win95 folder\",,," + p + "win95" + eol);
      out.Append("3 =\"WinNT folder\",,," + p + "winnt" + eol);
    } else {
      out.Append(line);
      out.Append("\n");
    }
  }
  in.Close();
  if (!out.Close()) throw CRvcException(msg::kSystemError, infPath, out.ErrorText());
  return true;
}

}  // namespace rvc::ppd
