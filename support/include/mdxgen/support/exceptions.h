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
  /// An empty string.
  String() = default;
  /// Holds the text.
  explicit String(VelaString text) : text_(std::move(text)) {}
  virtual ~String();
  /// The text.
  const VelaString& text() const { return text_; }
  /// The text's characters, ended by a null character.
  const wchar_t* c_str() const { return text_.c_str(); }

 private:
  VelaString text_;
};

/// The interface through which a host reads any error of the interface:
/// catch `const olap_api::ApiException&` to handle every MDXError.
class ORVO_API ApiException {
 public:
  virtual ~ApiException();
  /// The message: module, code and inserts. Lives as long as the exception.
  virtual const String* getMessage() const = 0;
  /// The code as text, "0x02017076". Lives as long as the exception.
  virtual const String* getCode() const = 0;
};

/// Raised for a refusal of the server side of the interface (the library).
class ORVO_API ServerException : public virtual ApiException {
 public:
  ~ServerException() override;
};

}  // namespace olap_api

/// Holds a module name, a numeric code and the inserts that name the
/// offending values, in the order they were added. The base of MDXError:
///
///     catch (const ExceptionCommon& e) {
///       e.getErrorCode();   // 0x02017076
///       e.getInserts();     // {"4", "QueryType"}
///     }
class ORVO_API ExceptionCommon : public virtual olap_api::ApiException {
 public:
  /// An exception of the module with the code and no inserts.
  ExceptionCommon(const VelaString& moduleName, unsigned long code);
  /// Copies module, code and inserts.
  ExceptionCommon(const ExceptionCommon& other);
  /// Copies module, code and inserts.
  ExceptionCommon& operator=(const ExceptionCommon& other);
  ~ExceptionCommon() override;

  /// "MODULE 0xCODE" followed by ": " and the inserts joined by ", ".
  virtual VelaString getMessage(support_dll::CoreLog* log) const;
  /// Adds the text as the next insert.
  virtual void addStringInsert(const VelaString& insert);
  /// The other exception's message, as one insert.
  virtual void addExceptionInsert(const olap_api::ApiException& other);
  /// A handle, as "0x" and eight hexadecimal digits.
  virtual void addHandleInsert(unsigned long handle);
  /// Adds the number in decimal as the next insert.
  virtual void addNumericInsert(int value);
  /// Hands exactly one record to the log's sink, whatever the verbosity
  /// settings: the code as message code, the inserts as inserts.
  virtual void log(support_dll::CoreLog* log) const;
  /// A heap copy owned by the caller.
  virtual ExceptionCommon* clone() const = 0;

  /// The message of getMessage(CoreLog*), as a String that lives as long as
  /// the exception.
  const olap_api::String* getMessage() const override;
  /// The code as "0x" and eight upper-case hexadecimal digits.
  const olap_api::String* getCode() const override;

  /// The code, for example MDXError::kValueOutOfRange.
  unsigned long getErrorCode() const { return code_; }
  /// The inserts in the order added; a numeric insert as its decimal text.
  const std::vector<VelaString>& getInserts() const { return inserts_; }
  /// The module name, "ODBOMODULE" for the library's errors.
  const VelaString& getModuleName() const { return module_; }

 private:
  VelaString module_;
  unsigned long code_;
  std::vector<VelaString> inserts_;
  mutable olap_api::String message_;
  mutable olap_api::String codeText_;
};
