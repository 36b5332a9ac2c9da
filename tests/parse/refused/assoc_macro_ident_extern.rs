extern {m!x();}
