// A host that knows the library only through its installed package.
#include <mdxgen/mdxgen.h>

#include <iostream>

int main() {
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXField* field = generator->GenerateField(L"[Time].[1997]");
  field->MoveToChild(L"Q1")->MoveToParent();
  std::cout << field->getText() << "\n";
  field->unuse();
  delete generator;
  // The second dialect's factory is exported as well.
  MDXQueryGenerator* mondrian = createMondrianQueryGenerator(L"[Sales]");
  const bool isMondrian = mondrian->GetServerType() == MDXQueryGenerator::Mondrian;
  delete mondrian;
  return isMondrian ? 0 : 1;
}
