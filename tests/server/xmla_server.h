// The embedded XMLA server (tools/engine/xmla-server) in a child process for
// the tests of one executable: started on first use, stopped at exit by
// closing its standard input.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "mdxgen/xmla.h"
#include "tools/engine/xmla_server_process.h"

namespace server_test {

class XmlaServer {
 public:
  explicit XmlaServer(const std::string& launcher, const std::vector<std::string>& args = {})
      : process_(launcher, args) {
    if (process_.url().empty()) throw std::runtime_error("the XMLA server did not start");
  }

  const std::string& url() const { return process_.url(); }
  const std::string& catalog() const { return process_.catalog(); }
  mdxgen::xmla::ClientOptions options() const {
    mdxgen::xmla::ClientOptions options;
    options.url = url();
    return options;
  }
  mdxgen::xmla::Properties properties() const {
    mdxgen::xmla::Properties properties;
    properties.catalog = catalog();
    return properties;
  }

 private:
  mdxgen::engine::XmlaServerProcess process_;
};

}  // namespace server_test
