// A small host: creates a generator for the sample cube, prints a few member
// and tuple texts, then builds a whole SELECT (a calculated member, two axes
// and a slicer) and prints it on one line and laid out.
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

  // WITH MEMBER [Measures].[Price per Unit] AS '...', two measures on the
  // columns, the top 5 cities on the rows, one year in the slicer.
  auto* select =
      static_cast<MDXSelectQuery*>(generator->GenerateQuery(MDXQuery::Select, nullptr));
  MDXField* price = generator->GenerateField(L"[Measures]", L"Price per Unit");
  MDXValue* formula =
      generator->GenerateValue(L"[Measures].[Store Sales] / [Measures].[Unit Sales]");
  select->AddMemberFormula(price, formula, 1, {L"FORMAT_STRING"}, {L"'#,##0.00'"});

  MDXField* units = generator->GenerateField(L"[Measures].[Unit Sales]");
  MDXSet* columns = generator->GenerateSet(std::vector<MDXField*>{units, price});
  select->AddAxisSpecification(0, columns, {}, MDXSelectQuery::MayBeEmpty);

  MDXTuple* byUnits = generator->GenerateTuple();
  byUnits->AddField(units);
  MDXSet* rows = generator->GenerateSet(L"[Store].[Store City].MEMBERS");
  rows->TakeExtremity(MDXSet::Top, MDXSet::Count, L"5", byUnits);
  select->AddAxisSpecification(1, rows, {}, MDXSelectQuery::NonEmpty);

  MDXField* year = generator->GenerateField(L"[Time].[2024]");
  select->AddSlicerSpecification(year);

  std::cout << "\nSELECT, one line:\n" << select->getText(false) << "\n";
  std::cout << "\nSELECT, laid out:\n" << select->getText(true) << "\n";

  // The statement holds its own references on what was placed in it.
  select->unuse();
  for (MDXField* field : {year, units, price}) field->unuse();
  rows->unuse();
  columns->unuse();
  byUnits->unuse();
  formula->unuse();
  tuple->unuse();
  left->unuse();
  store->unuse();
  quarter->unuse();
  delete generator;
  return 0;
}
