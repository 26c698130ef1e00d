<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk_SK" sourcelanguage="en">
<context>
    <name>RowTexts</name>
    <message>
        <source>Waiting to start</source>
        <translation>Čaká na začiatok</translation>
    </message>
    <message>
        <source>Reading the version</source>
        <translation>Číta sa verzia</translation>
    </message>
    <message>
        <source>Sent; waiting for the answer</source>
        <translation>Odoslané; čaká sa na odpoveď</translation>
    </message>
    <message>
        <source>Sending: %1 of %2 bytes (%3 %)</source>
        <translation>Odosiela sa: %1 z %2 bajtov (%3 %)</translation>
    </message>
    <message>
        <source>Uploaded; waiting for the restart</source>
        <translation>Nahrané; čaká sa na reštart</translation>
    </message>
    <message>
        <source>Not started: cancelled</source>
        <translation>Nezačaté: zrušené</translation>
    </message>
    <message>
        <source>Updated and verified</source>
        <translation>Aktualizované a overené</translation>
    </message>
    <message>
        <source>Uploaded</source>
        <translation>Nahrané</translation>
    </message>
    <message>
        <source>Not updated: the version is current</source>
        <translation>Neaktualizované: verzia je aktuálna</translation>
    </message>
    <message>
        <source>Checked</source>
        <translation>Skontrolované</translation>
    </message>
    <message>
        <source>Failed: came back on %1, not %2</source>
        <translation>Chyba: ozvala sa s verziou %1, nie %2</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Chyba: %1</translation>
    </message>
    <message>
        <source>Uploaded; not back within %1 s: unverified</source>
        <translation>Nahrané; do %1 s sa neozvala: neoverené</translation>
    </message>
</context>
<context>
    <name>app::RegisterTable</name>
    <message>
        <source>Address</source>
        <translation>Adresa</translation>
    </message>
    <message>
        <source>Installed version</source>
        <translation>Nainštalovaná verzia</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Posúdenie</translation>
    </message>
    <message>
        <source>Version after</source>
        <translation>Verzia potom</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Priebeh</translation>
    </message>
    <message>
        <source>Update available</source>
        <translation>Treba aktualizovať</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>Aktuálna</translation>
    </message>
    <message>
        <source>Newer than this image</source>
        <translation>Novšia ako tento obraz</translation>
    </message>
    <message>
        <source>Unreadable</source>
        <translation>Nečitateľná</translation>
    </message>
</context>
<context>
    <name>app::ShopWindow</name>
    <message>
        <source>Registers in the network - ZEDEZ Updater</source>
        <translation>Pokladnice v sieti - Aktualizácia ZEDEZ</translation>
    </message>
    <message>
        <source>This PC has no private IPv4 network; type the range to search.</source>
        <translation>Tento počítač nie je v žiadnej súkromnej sieti IPv4; napíšte rozsah, ktorý sa má prehľadať.</translation>
    </message>
    <message>
        <source>Search the range for registers, or type another one.</source>
        <translation>Prehľadajte rozsah, alebo napíšte iný.</translation>
    </message>
    <message>
        <source>Range to search</source>
        <translation>Rozsah na prehľadanie</translation>
    </message>
    <message>
        <source>for example 192.168.1.0/24</source>
        <translation>napríklad 192.168.1.0/24</translation>
    </message>
    <message>
        <source>IPv4 blocks such as 192.168.1.0/24, separated by commas; each at most a /16.</source>
        <translation>Bloky IPv4, napríklad 192.168.1.0/24, oddelené čiarkami; každý najviac /16.</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Hľadať</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Hľadať</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Priebeh</translation>
    </message>
    <message>
        <source>Registers found</source>
        <translation>Nájdené pokladnice</translation>
    </message>
    <message>
        <source>Checked registers are updated; the space bar checks or unchecks the current one.</source>
        <translation>Označené pokladnice sa aktualizujú; medzerník označí alebo odznačí aktuálny riadok.</translation>
    </message>
    <message>
        <source>Registers updated at once</source>
        <translation>Počet pokladníc aktualizovaných naraz</translation>
    </message>
    <message>
        <source>&amp;Update selected</source>
        <translation>&amp;Aktualizovať označené</translation>
    </message>
    <message>
        <source>Update selected</source>
        <translation>Aktualizovať označené</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Zrušiť</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zrušiť</translation>
    </message>
    <message>
        <source>Save the recor&amp;d...</source>
        <translation>&amp;Uložiť záznam...</translation>
    </message>
    <message>
        <source>Save the record</source>
        <translation>Uložiť záznam</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>Za&amp;vrieť</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zavrieť</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Stav</translation>
    </message>
    <message>
        <source>&amp;Range:</source>
        <translation>&amp;Rozsah:</translation>
    </message>
    <message>
        <source>At &amp;once:</source>
        <translation>&amp;Naraz:</translation>
    </message>
    <message>
        <source>The range cannot be searched: %1</source>
        <translation>Rozsah sa nedá prehľadať: %1</translation>
    </message>
    <message>
        <source>The range holds %1 addresses; a search covers at most %2 (a /16).</source>
        <translation>Rozsah má %1 adries; hľadanie pokryje najviac %2 (/16).</translation>
    </message>
    <message>
        <source>No register answered in the range.</source>
        <translation>V rozsahu sa neozvala žiadna pokladnica.</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>These selected registers do not need the update:
%1

They get the image again: selecting them is the answer OK to the question about a current version. Update them too?</source>
        <translation>Tieto označené pokladnice aktualizáciu nepotrebujú:
%1

Dostanú obraz znova: ich označenie je odpoveďou OK na otázku o aktuálnej verzii. Aktualizovať aj tieto?</translation>
    </message>
    <message>
        <source>Update them too</source>
        <translation>Aktualizovať aj tieto</translation>
    </message>
    <message>
        <source>Nothing was updated.</source>
        <translation>Nič sa neaktualizovalo.</translation>
    </message>
    <message>
        <source>Updating: %1 of %2 registers done...</source>
        <translation>Aktualizuje sa: hotovo %1 z %2 pokladníc...</translation>
    </message>
    <message>
        <source>Done: %1 updated (%2 verified, %3 not back), %4 failed, %5 not updated, %6 not started.</source>
        <translation>Hotovo: nahrané %1 (overené %2, neozvali sa %3), chyba %4, neaktualizované %5, nezačaté %6.</translation>
    </message>
    <message>
        <source>The record file was not written: %1</source>
        <translation>Do súboru záznamu sa nezapísalo: %1</translation>
    </message>
    <message>
        <source>Cancelling the search...</source>
        <translation>Hľadanie sa ruší...</translation>
    </message>
    <message>
        <source>Cancelling: no further register starts; those under way finish.</source>
        <translation>Ruší sa: ďalšia pokladnica sa nezačne; rozbehnuté sa dokončia.</translation>
    </message>
    <message>
        <source>Record (*.jsonl);;All files (*)</source>
        <translation>Záznam (*.jsonl);;Všetky súbory (*)</translation>
    </message>
    <message>
        <source>The record could not be saved: %1</source>
        <translation>Záznam sa nedal uložiť: %1</translation>
    </message>
    <message>
        <source>The window closes once the registers under way are done...</source>
        <translation>Okno sa zavrie, keď sa rozbehnuté pokladnice dokončia...</translation>
    </message>
    <message>
        <source>%v of %m addresses</source>
        <translation>%v z %m adries</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>Hľadá sa...</translation>
    </message>
    <message>
        <source>Search cancelled after %1 of %2 addresses. Registers found: %3.</source>
        <translation>Hľadanie zrušené po %1 z %2 adries. Nájdené pokladnice: %3.</translation>
    </message>
    <message>
        <source>Registers found: %1. Needing the update, and selected: %2.</source>
        <translation>Nájdené pokladnice: %1. Treba aktualizovať (sú označené): %2.</translation>
    </message>
    <message>
        <source>%v of %m registers</source>
        <translation>%v z %m pokladníc</translation>
    </message>
    <message>
        <source>Updating...</source>
        <translation>Aktualizuje sa...</translation>
    </message>
    <message>
        <source>Lines appended to %1: %2.</source>
        <translation>Do %1 pripísané riadky: %2.</translation>
    </message>
</context>
</TS>
