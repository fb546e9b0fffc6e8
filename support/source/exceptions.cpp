#include "mdxgen/support/exceptions.h"

#include "mdxgen/support/core_log.h"

namespace olap_api {
String::~String() = default;
ApiException::~ApiException() = default;
ServerException::~ServerException() = default;
}  // namespace olap_api

ExceptionCommon::ExceptionCommon(const VelaString& moduleName, unsigned long code)
    : module_(moduleName), code_(code) {}

ExceptionCommon::ExceptionCommon(const ExceptionCommon& other)
    : olap_api::ApiException(other),
      module_(other.module_),
      code_(other.code_),
      inserts_(other.inserts_) {}

ExceptionCommon& ExceptionCommon::operator=(const ExceptionCommon& other) {
  module_ = other.module_;
  code_ = other.code_;
  inserts_ = other.inserts_;
  return *this;
}

ExceptionCommon::~ExceptionCommon() = default;

VelaString ExceptionCommon::getMessage(support_dll::CoreLog* /*log*/) const {
  VelaString message;
  message.build("%s 0x%08lX", module_.c_str(), code_);
  for (std::size_t i = 0; i < inserts_.size(); ++i) {
    message += i == 0 ? L": " : L", ";
    message += inserts_[i];
  }
  return message;
}

void ExceptionCommon::addStringInsert(const VelaString& insert) { inserts_.push_back(insert); }

void ExceptionCommon::addExceptionInsert(const olap_api::ApiException& other) {
  const olap_api::String* message = other.getMessage();
  inserts_.push_back(message ? message->text() : VelaString());
}

void ExceptionCommon::addHandleInsert(unsigned long handle) {
  VelaString text;
  text.build("0x%08lX", handle);
  inserts_.push_back(std::move(text));
}

void ExceptionCommon::addNumericInsert(int value) {
  VelaString text;
  text.build("%d", value);
  inserts_.push_back(std::move(text));
}

void ExceptionCommon::log(support_dll::CoreLog* log) const {
  if (!log) return;
  std::vector<const wchar_t*> inserts;
  inserts.reserve(inserts_.size());
  for (const auto& insert : inserts_) inserts.push_back(insert.c_str());
  const std::string unit = support_dll::CoreLog::getUnitString(module_, L"Error");
  log->log(code_, 1, unit, "", 0, "ExceptionCommon::log", static_cast<int>(inserts.size()),
           inserts.data());
}

const olap_api::String* ExceptionCommon::getMessage() const {
  message_ = olap_api::String(getMessage(nullptr));
  return &message_;
}

const olap_api::String* ExceptionCommon::getCode() const {
  VelaString text;
  text.build("0x%08lX", code_);
  codeText_ = olap_api::String(std::move(text));
  return &codeText_;
}
