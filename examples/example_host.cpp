// A small host: creates a generator for the sample cube and prints a few
// member and tuple texts.
#include <mdxgen/mdxgen.h>

#include <iostream>

int main() {
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");

  MDXField* quarter = generator->GenerateField(L"[Time].[1997]");
  quarter->MoveToChild(L"Q1");
  std::cout << "member:        " << quarter->getText() << "\n";

  MDXField* store = generator->GenerateField(L"[Store].[All Stores]", L"Joe's");
  std::cout << "quoted member: " << store->getQuotedText() << "\n";

  MDXField* left = generator->GenerateField(quarter);
  left->LoopLeft();
  std::cout << "wrap-around:   " << left->getText() << "\n";

  MDXTuple* tuple = generator->GenerateTuple();
  tuple->AddField(quarter)->AddField(store);
  std::cout << "tuple:         " << tuple->getText() << "\n";

  tuple->unuse();
  left->unuse();
  store->unuse();
  quarter->unuse();
  delete generator;
  return 0;
}
