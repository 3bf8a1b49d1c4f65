<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>Tessaline</name>
    <message>
        <source> Type more detales</source>
        <translation> Type more details</translation>
    </message>
    <message>
        <source> Fixed Number of Cutoffs Pulses</source>
        <translation> Fixed Number of Cut-off Pulses</translation>
    </message>
    <message>
        <source> Unfuxed Number of Cutoffs Pulses</source>
        <translation> Unfixed Number of Cut-off Pulses</translation>
    </message>
    <message>
        <source> Debugging repeat </source>
        <translation> Debugging repeat</translation>
    </message>
    <message>
        <source> getCutOffSeriesHeader </source>
        <translation>Series record</translation>
    </message>
    <message>
        <source> getExtSeriesHeader </source>
        <translation>Series record</translation>
    </message>
    <message>
        <source> About getCutOffSeriesHeader </source>
        <translation>Series record</translation>
    </message>
    <message>
        <source> getCutOffSeries </source>
        <translation>Making a series</translation>
    </message>
    <message>
        <source> getUnfixedCutOffSeries </source>
        <translation>Making a series</translation>
    </message>
    <message>
        <source> makeExtSeries </source>
        <translation>Making a series</translation>
    </message>
    <message>
        <source> getRequiredList </source>
        <translation>Required etalons</translation>
    </message>
    <message>
        <source> getChainsHeader </source>
        <translation>Processing result</translation>
    </message>
    <message>
        <source> addToChainsHeader </source>
        <translation>Processing result</translation>
    </message>
    <message>
        <source> About ChainsHeader </source>
        <translation>Processing result</translation>
    </message>
    <message>
        <source> recognizeUnknownPulses </source>
        <translation>Processing</translation>
    </message>
    <message>
        <source> About TuplesDetection </source>
        <translation>Tuples detection</translation>
    </message>
    <message>
        <source> getRestErrHeader </source>
        <translation>Simulation statistics</translation>
    </message>
    <message>
        <source> initRestErrHeader </source>
        <translation>Simulation statistics</translation>
    </message>
    <message>
        <source> addInitRestErrHeader </source>
        <translation>Simulation statistics</translation>
    </message>
    <message>
        <source> About RestoreErrorHeader </source>
        <translation>Simulation statistics</translation>
    </message>
    <message>
        <source> About selectedSubset </source>
        <translation>Subset</translation>
    </message>
    <message>
        <source> addSomeSelectedSubsetToSeriesHeader </source>
        <translation>Subset</translation>
    </message>
    <message>
        <source> About statCutoffVandrel </source>
        <translation>Statistical simulation</translation>
    </message>
    <message>
        <source>statCutoffVandrel</source>
        <translation>Statistical simulation</translation>
    </message>
    <message>
        <source>getPulseEstAsRepeats</source>
        <translation>Simulation parameters</translation>
    </message>
    <message>
        <source> runStartUp </source>
        <translation>Start-up</translation>
    </message>
    <message>
        <source> getParamsHeader </source>
        <translation>Series parameters</translation>
    </message>
    <message>
        <source> Tmin </source>
        <translation>Tmin</translation>
    </message>
    <message>
        <source>CM_INFO</source>
        <translation>Processing</translation>
    </message>
    <message>
        <source>Open File Name</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>About Bitmap</source>
        <translation>Image file</translation>
    </message>
    <message>
        <source>About PCX</source>
        <translation>PCX file</translation>
    </message>
    <message>
        <source> ERROR in DrawDetectionArrayZ </source>
        <translation>Statistics graph</translation>
    </message>
    <message>
        <source>Fatal Error</source>
        <translation>Fatal error</translation>
    </message>
    <message>
        <source>Отладка</source>
        <translation>Debugging</translation>
    </message>
    <message>
        <source>Нет памяти для буфера строки!</source>
        <translation>No memory for the line buffer!</translation>
    </message>
    <message>
        <source>Нет памяти для кодов строки!</source>
        <translation>No memory for the line codes!</translation>
    </message>
    <message>
        <source>Не могу выделить память!</source>
        <translation>Cannot allocate memory!</translation>
    </message>
    <message>
        <source>Не могу создать ряд!</source>
        <translation>Cannot make the series!</translation>
    </message>
    <message>
        <source>Не выбран ни один эталон!</source>
        <translation>No etalon is selected!</translation>
    </message>
    <message>
        <source>Предварительное освобождение памяти!</source>
        <translation>Memory released beforehand!</translation>
    </message>
    <message>
        <source>Несовместимые входные параметры!</source>
        <translation>Incompatible input parameters!</translation>
    </message>
    <message>
        <source>В алфавите нет эталонов.</source>
        <translation>The alphabet holds no etalons.</translation>
    </message>
    <message>
        <source>Absence of RestoreErrorHeader!</source>
        <translation>RestoreErrorHeader is missing!</translation>
    </message>
    <message>
        <source>Error: selected Subset is absence!</source>
        <translation>Error: no subset is selected!</translation>
    </message>
    <message>
        <source>No memory to RestoredErrorNormalizer</source>
        <translation>No memory for RestoredErrorNormalizer</translation>
    </message>
    <message>
        <source>Нет памяти для %1!</source>
        <translation>No memory for %1!</translation>
    </message>
    <message>
        <source>Нет памяти для %1</source>
        <translation>No memory for %1</translation>
    </message>
    <message>
        <source>Не могу выделить память для %1!</source>
        <translation>Cannot allocate memory for %1!</translation>
    </message>
    <message>
        <source>Неверно задан %1!</source>
        <translation>%1 is set wrongly!</translation>
    </message>
    <message>
        <source>Не определен %1!</source>
        <translation>%1 is not defined!</translation>
    </message>
    <message>
        <source>Ошибка %1!</source>
        <translation>%1 failed!</translation>
    </message>
    <message>
        <source>Нет %1!</source>
        <translation>No %1!</translation>
    </message>
    <message>
        <source>Проблемы при выполнении %1</source>
        <translation>Problems while running %1</translation>
    </message>
    <message>
        <source>длина серии: %1</source>
        <translation>series length: %1</translation>
    </message>
    <message>
        <source>длина эталона: %1</source>
        <translation>etalon length: %1</translation>
    </message>
    <message>
        <source>элемент %1: %2 (нужно от %3 до %4)</source>
        <translation>entry %1: %2 (must be from %3 to %4)</translation>
    </message>
    <message>
        <source>от %1 до %2 (нужно %3 &lt;= от &lt;= до &lt;= %4)</source>
        <translation>from %1 to %2 (must be %3 &lt;= from &lt;= to &lt;= %4)</translation>
    </message>
    <message>
        <source>последний уровень шума %1 (нужно не больше %2: при большем уровне генератор шума переполняется)</source>
        <translation>last noise level %1 (must be at most %2: a higher level overflows the noise generator)</translation>
    </message>
    <message>
        <source>%1 (нужно от %2 до %3: при большем уровне генератор шума переполняется)</source>
        <translation>%1 (must be from %2 to %3: a higher level overflows the noise generator)</translation>
    </message>
    <message>
        <source>%1 (нужно хотя бы одно повторение)</source>
        <translation>%1 (at least one repeat is needed)</translation>
    </message>
    <message>
        <source>%1 (нужен хотя бы один уровень шума)</source>
        <translation>%1 (at least one noise level is needed)</translation>
    </message>
    <message>
        <source>%1 (нужно от %2 до %3)</source>
        <translation>%1 (must be from %2 to %3)</translation>
    </message>
    <message>
        <source>%1 (нужно %2)</source>
        <translation>%1 (must be %2)</translation>
    </message>
    <message>
        <source> restored error, agregate form</source>
        <translation> restored error, aggregate form</translation>
    </message>
    <message>
        <source> detection error, agregate form</source>
        <translation> detection error, aggregate form</translation>
    </message>
    <message>
        <source> recognition error, agregate form</source>
        <translation> recognition error, aggregate form</translation>
    </message>
</context>
</TS>
