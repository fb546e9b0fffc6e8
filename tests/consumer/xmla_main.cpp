// A host that uses the XMLA client only through the installed package.
#include <mdxgen/xmla.h>

#include <iostream>

int main() {
  try {
    mdxgen::xmla::ClientOptions options;
    options.url = "ftp://127.0.0.1/";
    mdxgen::xmla::Client client(options);
  } catch (const mdxgen::xmla::Error& error) {
    std::cout << mdxgen::xmla::errorKindName(error.kind()) << "\n";
  }
  return 0;
}
