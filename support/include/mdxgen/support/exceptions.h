/// \file
/// The exception interfaces of the support layer and their common base.
#pragma once

#include <vector>

#include "mdxgen/support/export.h"
#include "mdxgen/support/velastring.h"

namespace support_dll {
class CoreLog;
}

namespace olap_api {

/// A string handed out through the exception interfaces; it lives as long as
/// the exception that returned it.
class ORVO_API String {
 public:
  String() = default;
  explicit String(VelaString text) : text_(std::move(text)) {}
  virtual ~String();
  const VelaString& text() const { return text_; }
  const wchar_t* c_str() const { return text_.c_str(); }

 private:
  VelaString text_;
};

class ORVO_API ApiException {
 public:
  virtual ~ApiException();
  virtual const String* getMessage() const = 0;
  virtual const String* getCode() const = 0;
};

/// Raised for a refusal of the server side of the interface (the library).
class ORVO_API ServerException : public virtual ApiException {
 public:
  ~ServerException() override;
};

}  // namespace olap_api

/// Holds a module name, a numeric code and the inserts that name the
/// offending values, in the order they were added.
class ORVO_API ExceptionCommon : public virtual olap_api::ApiException {
 public:
  ExceptionCommon(const VelaString& moduleName, unsigned long code);
  ExceptionCommon(const ExceptionCommon& other);
  ExceptionCommon& operator=(const ExceptionCommon& other);
  ~ExceptionCommon() override;

  /// "MODULE 0xCODE" followed by ": " and the inserts joined by ", ".
  virtual VelaString getMessage(support_dll::CoreLog* log) const;
  virtual void addStringInsert(const VelaString& insert);
  /// The other exception's message, as one insert.
  virtual void addExceptionInsert(const olap_api::ApiException& other);
  /// A handle, as "0x" and eight hexadecimal digits.
  virtual void addHandleInsert(unsigned long handle);
  virtual void addNumericInsert(int value);
  /// Hands exactly one record to the log's sink, whatever the verbosity
  /// settings: the code as message code, the inserts as inserts.
  virtual void log(support_dll::CoreLog* log) const;
  virtual ExceptionCommon* clone() const = 0;

  const olap_api::String* getMessage() const override;
  /// The code as "0x" and eight upper-case hexadecimal digits.
  const olap_api::String* getCode() const override;

  unsigned long getErrorCode() const { return code_; }
  const std::vector<VelaString>& getInserts() const { return inserts_; }
  const VelaString& getModuleName() const { return module_; }

 private:
  VelaString module_;
  unsigned long code_;
  std::vector<VelaString> inserts_;
  mutable olap_api::String message_;
  mutable olap_api::String codeText_;
};
