struct ;
