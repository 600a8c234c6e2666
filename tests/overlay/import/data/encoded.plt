IN;SP1;PU400,400;PEçç<èèOÀOÀ=OÀPÀ:2çç;
PE7çç;PD;PEçç;
