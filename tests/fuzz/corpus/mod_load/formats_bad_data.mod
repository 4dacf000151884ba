# no section yet

1 0 0 0
